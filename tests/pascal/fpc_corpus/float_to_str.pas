program FloatToStrCorpus;
uses SysUtils;
var
  values: array[0..13] of Double;
  i: Integer;
begin
  values[0] := 0;
  values[1] := 1;
  values[2] := -2.5;
  values[3] := 0.1;
  values[4] := 1 / 3;
  values[5] := 2 / 3;
  values[6] := 123456789.125;
  values[7] := 1e15;
  values[8] := 1e16;
  values[9] := 1.5e-5;
  values[10] := 0.0001;
  values[11] := 12345678901234567890.0;
  values[12] := -1e-10;
  values[13] := 100;
  for i := 0 to 13 do
    WriteLn(FloatToStr(values[i]));
  WriteLn(FloatToStr(3.0 * 0.1), ' ', FloatToStr(Sqrt(2)), ' ', FloatToStr(Pi));
end.
