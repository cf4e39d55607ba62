program Shifts;
var
  i: Integer;
  x: Int64;
begin
  WriteLn(1 shl 0, ' ', 1 shl 4, ' ', 1 shl 30, ' ', 256 shr 4, ' ', 255 shr 1);
  i := 1;
  i := i shl 10;
  WriteLn(i);
  x := 1;
  x := x shl 40;
  WriteLn(x);
  x := x shr 38;
  WriteLn(x);
  i := 12345;
  WriteLn(i shr 3, ' ', i shl 2, ' ', (i shr 3) and 7);
  x := 1;
  x := x shl 62;
  WriteLn(x);
  WriteLn($F0 shr 4, ' ', $0F shl 4);
end.
