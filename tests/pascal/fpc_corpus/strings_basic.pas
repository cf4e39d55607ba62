program StringsBasic;
uses SysUtils;
var
  s, t: string;
  c: Char;
  i, n: Integer;
begin
  s := 'Hello, World';
  WriteLn(Length(s));
  WriteLn(s[1], s[Length(s)]);
  s[1] := 'J';
  WriteLn(s);
  t := '';
  for i := Length(s) downto 1 do
    t := t + s[i];
  WriteLn(t);
  n := 0;
  for i := 1 to Length(s) do
    if s[i] = 'o' then
      Inc(n);
  WriteLn('o count: ', n);
  c := 'x';
  t := c + c + 'y';
  WriteLn(t, ' ', Length(t));
  WriteLn('it''s', ' ', #65#66, ' ', #$41);
  WriteLn('a' < 'b', ' ', 'abc' < 'abd', ' ', 'Z' < 'a', ' ', 'ab' = 'ab', ' ', 'abc' > 'ab');
  s := 'abc';
  s := s + s;
  WriteLn(s);
  SetLength(s, 4);
  WriteLn(s, '|');
  WriteLn(High(s), ' ', Low(s));
  WriteLn(s);
  WriteLn(Length(''));
end.
