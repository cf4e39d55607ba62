program ShiftsInteger;
var
  i, j: Integer;
  x: Int64;
begin
  i := MaxInt;
  WriteLn(i shl 1);
  i := -1;
  WriteLn(i shr 28);
  WriteLn(-1 shr 1);
  WriteLn(-8 shr 1);
  j := 1;
  WriteLn(j shl 31);
  i := -16;
  WriteLn(i shr 2, ' ', i shl 2);
  x := -1;
  WriteLn(x shr 60);
  x := MaxInt;
  WriteLn(x shl 1);
  WriteLn(-2 * 3, ' ', -i, ' ', -(i shr 1));
  j := 5;
  WriteLn(-5 and 3, ' ', -j and 3, ' ', -j shr 1, ' ', -j shl 1, ' ', -7 mod 3, ' ', -j div 2);
end.
