program Sets;
type
  TColor = (Red, Green, Blue, Yellow);
  TColors = set of TColor;
var
  s, t: set of Byte;
  cs: TColors;
  c: Char;
  letters: set of Char;
  i: Integer;
begin
  s := [1, 3, 5..8];
  t := [2, 3, 4];
  WriteLn(3 in s, ' ', 4 in s, ' ', 6 in s, ' ', 9 in s);
  for i := 0 to 10 do
    if i in s + t then
      Write(i, ' ');
  WriteLn;
  for i := 0 to 10 do
    if i in s * t then
      Write(i, ' ');
  WriteLn;
  for i := 0 to 10 do
    if i in s - t then
      Write(i, ' ');
  WriteLn;
  WriteLn(s = t, ' ', s <> t, ' ', [1, 2] = [2, 1], ' ', [] = t - t);
  Include(s, 10);
  Exclude(s, 1);
  WriteLn(10 in s, ' ', 1 in s);
  cs := [Red, Blue];
  WriteLn(Red in cs, ' ', Green in cs, ' ', Blue in cs);
  Include(cs, Yellow);
  WriteLn(Yellow in cs);
  letters := ['a'..'z', 'A'..'Z'];
  WriteLn('a' in letters, ' ', '1' in letters, ' ', 'Q' in letters);
  c := 'k';
  if c in ['a'..'m'] then
    WriteLn('first half')
  else
    WriteLn('second half');
end.
