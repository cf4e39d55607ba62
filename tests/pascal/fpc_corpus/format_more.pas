program FormatMore;
uses SysUtils;
var
  name: string;
  n: Integer;
  big: Int64;
  x: Double;
begin
  name := 'Ann';
  n := 255;
  big := 12345678901;
  x := 2.71828;
  WriteLn(Format('%s is %d years', [name, 30]));
  WriteLn(Format('%x|%X|%4x|%.4x|%8.3x', [n, n, n, n, n]));
  WriteLn(Format('%d|%u', [big, 42]));
  WriteLn(Format('%g|%g|%g', [x, 0.5, 1e20]));
  WriteLn(Format('%%|%5.1f%%', [x]));
  WriteLn(Format('[%*d] [%-*d]', [6, n, 6, n]));
  WriteLn(Format('%1:s %0:s %1:s', ['a', 'b']));
  WriteLn(Format('%s %s', ['x', 'y']), Format('', []));
  WriteLn(Format('%.3s|%8.2f|%-8.2f|', ['abcdef', -x, x]));
  WriteLn(Format('%d items', [0]));
end.
