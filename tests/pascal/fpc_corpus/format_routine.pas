program FormatRoutine;
uses SysUtils;
var
  d, e, big, small, third: Double;
  i: Integer;
begin
  WriteLn(Format('%d|%5d|%-5d|%.3d', [42, 42, 42, 7]));
  WriteLn(Format('%d|%5d|%-5d|%05d', [-15, -15, -15, 42]));
  WriteLn(Format('%s|%10s|%-10s|%.2s|%5s', ['abc', 'abc', 'abc', 'abc', 'abcdefg']));
  WriteLn(Format('%-5s|', ['ab']));
  d := 3.14159;
  WriteLn(Format('%f|%.2f|%.0f|%8.3f|%-8.1f|%8.3f|', [d, d, d, d, d, -d]));
  d := -0.004;
  WriteLn(Format('%.2f|%.1e', [d, d]));
  d := 1234567.891;
  WriteLn(Format('%f|%n|%.1n|%.0n', [d, d, d, d]));
  d := 12345.678;
  WriteLn(Format('%e|%.3e|%.0e|%12.4e|%-12.2e|', [d, d, d, d, d]));
  WriteLn(Format('%g|%.3g|%.10g|%10g|', [d, d, d, d]));
  e := -0.000123;
  WriteLn(Format('%e|%g|%.2g', [e, e, e]));
  big := 1e20;
  small := 0.00001;
  third := 1 / 3;
  WriteLn(Format('%g|%g|%g|%e', [big, small, third, big]));
  WriteLn(Format('%.1g|%.15g|%.2e', [third, third, third]));
  d := 0;
  WriteLn(Format('%g|%e|%f', [d, d, d]));
  d := 100;
  WriteLn(Format('%g|%.1f', [d, d]));
  WriteLn(Format('%x|%X|%4x|%.4x', [255, 48879, 10, 10]));
  i := -1;
  WriteLn(Format('%x|%d', [i, i]));
  WriteLn(Format('%d%%', [50]));
  d := 95.25;
  WriteLn(Format('Name: %s, Age: %d, Score: %.1f', ['Ann', 30, d]));
  d := 2.675;
  WriteLn(Format('%.2f', [d]));
  d := 0.125;
  WriteLn(Format('%.2f', [d]));
  d := 2.5;
  WriteLn(Format('%.0f', [d]));
  WriteLn(Format('%s', [IntToStr(5)]));
  WriteLn(Format('', []));
  WriteLn(Format('no args', []));
  WriteLn(Format('%d %d', [1, 2]));
  try
    WriteLn(Format('%d', ['x']));
  except
    on E: EConvertError do
      WriteLn('EConvertError');
  end;
  try
    WriteLn(Format('%d %d', [1]));
  except
    on E: EConvertError do
      WriteLn('EConvertError');
  end;
end.
