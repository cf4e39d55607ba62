program ConversionsDefault;
uses SysUtils;
var
  i: Integer;
  ok: Boolean;
  d: Double;
  a: array of Integer;
  b: array[2..6] of string;
begin
  WriteLn(StrToIntDef('42', 0), ' ', StrToIntDef('4 2', -1), ' ', StrToIntDef('', 9));
  WriteLn(StrToFloatDef('2.5', 0):0:2, ' ', StrToFloatDef('abc', -1):0:2, ' ', StrToFloatDef('', 7):0:1);
  ok := TryStrToInt('123', i);
  WriteLn(ok, ' ', i);
  ok := TryStrToInt('12z', i);
  WriteLn(ok, ' ', i);
  ok := TryStrToFloat('1.25', d);
  WriteLn(ok, ' ', d:0:2);
  WriteLn(StrToInt('2147483647'), ' ', StrToInt('-2147483648'));
  WriteLn(StrToInt64('3000000000'));
  SetLength(a, 4);
  WriteLn(Length(a), ' ', Length(b), ' ', Low(b), ' ', High(b));
  SetLength(a, 0);
  WriteLn(Length(a));
  Sleep(1);
  WriteLn('slept');
end.
