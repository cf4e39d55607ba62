program Conversions;
uses SysUtils;
var
  i: Integer;
  big: Int64;
  d: Double;
begin
  WriteLn(IntToStr(0), ' ', IntToStr(-42), ' ', IntToStr(2147483647));
  big := 9000000000;
  WriteLn(IntToStr(big));
  WriteLn(IntToStr(-9223372036854775807 - 1));
  i := StrToInt('123');
  WriteLn(i + 1);
  WriteLn(StrToInt('-77'), ' ', StrToInt('  5'), ' ', StrToInt('$FF'), ' ', StrToInt('+8'));
  WriteLn(StrToIntDef('12x', -1), ' ', StrToIntDef('', 7), ' ', StrToIntDef('99', 0));
  try
    i := StrToInt('abc');
    WriteLn('no error');
  except
    on E: EConvertError do
      WriteLn('EConvertError: ', E.Message);
  end;
  try
    i := StrToInt('');
  except
    on E: Exception do
      WriteLn(E.ClassName, ': ', E.Message);
  end;
  d := StrToFloat('3.25');
  WriteLn(d:0:3);
  d := StrToFloat('-1.5e3');
  WriteLn(d:0:1);
  d := StrToFloat('42');
  WriteLn(FloatToStr(d));
  try
    d := StrToFloat('1.2.3');
  except
    on E: EConvertError do
      WriteLn(E.Message);
  end;
  WriteLn(FloatToStr(0.1), ' ', FloatToStr(1.5), ' ', FloatToStr(-0.75), ' ', FloatToStr(100));
  WriteLn(FloatToStr(1 / 3));
  WriteLn(FloatToStr(2 / 3));
  WriteLn(FloatToStr(1e20), ' ', FloatToStr(1.5e-7), ' ', FloatToStr(123456789012345.0));
  WriteLn(FloatToStr(1e15), ' ', FloatToStr(1e14), ' ', FloatToStr(0.0001), ' ', FloatToStr(0.00001));
  WriteLn(FloatToStr(0), ' ', FloatToStr(-1e-10), ' ', FloatToStr(3.14159265358979));
  WriteLn(Round(2.5), ' ', Round(3.5), ' ', Round(-2.5), ' ', Round(2.4999), ' ', Trunc(7.99), ' ', Trunc(-7.99));
  WriteLn(Ord('A'), ' ', Chr(97), ' ', Ord(True), ' ', Ord(False), ' ', Chr(Ord('a') + 25));
end.
