program MathRoutines;
uses SysUtils, Math;
var
  i, j: Integer;
  x, y: Double;
  big: Int64;
begin
  i := 7;
  j := -3;
  x := 2.5;
  y := -1.75;
  WriteLn(Max(i, j), ' ', Min(i, j), ' ', Max(x, y):0:2, ' ', Min(x, y):0:2);
  big := 10000000000;
  WriteLn(Max(big, 5), ' ', Min(big, -big));
  WriteLn(Power(2, 10):0:0, ' ', Power(2.5, 2):0:3, ' ', Power(9, 0.5):0:3);
  WriteLn(Sqrt(16):0:1, ' ', Sqrt(2):0:6, ' ', Sqr(i), ' ', Sqr(x):0:2);
  WriteLn(Exp(0):0:1, ' ', Exp(1):0:6, ' ', Ln(1):0:1, ' ', Ln(Exp(2)):0:6);
  WriteLn(Floor(x), ' ', Floor(y), ' ', Ceil(x), ' ', Ceil(y), ' ', Floor(-2.0), ' ', Ceil(3.0));
  WriteLn(Frac(x):0:2, ' ', Frac(y):0:2, ' ', Int(x):0:1, ' ', Int(y):0:1);
  WriteLn(Trunc(y), ' ', Round(x), ' ', Round(3.5), ' ', Round(-2.5), ' ', Abs(j), ' ', Abs(y):0:2);
  x := Exp(1);
  y := Ln(10);
  WriteLn(x, ' ', y);
  x := Frac(2.5);
  y := Int(-1.75);
  WriteLn(x, ' ', y);
  x := Power(2, -1);
  y := Power(10, 3);
  WriteLn(x, ' ', y);
  x := Max(1.5, y);
  y := Min(x, 2.5);
  WriteLn(x:0:1, ' ', y:0:1);
  WriteLn(IntPower(3, 4):0:0, ' ', Log10(1000):0:3, ' ', Log2(8):0:3);
  x := -1;
  try
    y := Sqrt(x);
    WriteLn(y);
  except
    on E: Exception do
      WriteLn(E.ClassName, ': ', E.Message);
  end;
  x := 0;
  try
    y := Ln(x);
    WriteLn(y);
  except
    on E: Exception do
      WriteLn(E.ClassName, ': ', E.Message);
  end;
  x := -2;
  try
    y := Ln(x);
    WriteLn(y);
  except
    on E: Exception do
      WriteLn(E.ClassName, ': ', E.Message);
  end;
end.
