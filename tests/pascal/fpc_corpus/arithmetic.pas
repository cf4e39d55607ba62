program Arithmetic;
var
  a, b: Integer;
  x, y: Int64;
  d: Double;
begin
  a := 17; b := 5;
  WriteLn(a + b, ' ', a - b, ' ', a * b, ' ', a div b, ' ', a mod b);
  WriteLn(-17 div 5, ' ', -17 mod 5, ' ', 17 div -5, ' ', 17 mod -5, ' ', -17 div -5, ' ', -17 mod -5);
  a := -17; b := 5;
  WriteLn(a div b, ' ', a mod b);
  d := a / b;
  WriteLn(d:0:2);
  WriteLn(7 / 2:0:1);
  WriteLn(-a, ' ', +a, ' ', Abs(a), ' ', Abs(-3.5):0:1, ' ', Sqr(a), ' ', Sqr(1.5):0:2);
  WriteLn(Sqrt(16.0):0:1, ' ', Sqrt(2):0:6);
  WriteLn(Odd(3), ' ', Odd(-4), ' ', Odd(0));
  x := 1000000;
  y := x * x;
  WriteLn(y);
  WriteLn(y div 7, ' ', y mod 7);
  WriteLn((2 + 3) * 4, ' ', 2 + 3 * 4, ' ', 10 - 2 - 3, ' ', 100 div 10 div 5);
  WriteLn(1 + 2.5:0:1);
  WriteLn(not 0, ' ', not 5, ' ', 12 and 10, ' ', 12 or 10, ' ', 12 xor 10);
  WriteLn(True and False, ' ', True or False, ' ', True xor True, ' ', not True);
  a := 10;
  Inc(a); Inc(a, 5); Dec(a); Dec(a, 3);
  WriteLn(a);
  WriteLn(MaxInt, ' ', High(Integer), ' ', Low(Integer), ' ', High(Int64), ' ', Low(Int64));
  WriteLn(High(Byte), ' ', High(Word), ' ', High(Cardinal), ' ', Low(SmallInt), ' ', High(ShortInt));
  WriteLn(5 = 5.0, ' ', 3 < 3.5, ' ', 2 <> 2);
end.
