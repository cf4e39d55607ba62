program Loops;
var
  i, j, n, total: Integer;
begin
  total := 0;
  for i := 1 to 10 do
    total := total + i;
  WriteLn(total);
  for i := 10 downto 7 do
    Write(i, ' ');
  WriteLn;
  for i := 5 to 1 do
    WriteLn('never');
  n := 0;
  while n < 5 do
    n := n + 2;
  WriteLn(n);
  n := 100;
  repeat
    n := n div 3;
    Write(n, ' ');
  until n < 5;
  WriteLn;
  for i := 1 to 10 do
  begin
    if i mod 2 = 0 then
      Continue;
    if i > 7 then
      Break;
    Write(i, ' ');
  end;
  WriteLn;
  i := 0;
  while True do
  begin
    Inc(i);
    if i = 3 then
      Continue;
    if i > 5 then
      Break;
    Write(i, ' ');
  end;
  WriteLn;
  i := 0;
  repeat
    Inc(i);
    if i = 2 then
      Continue;
    Write(i, ' ');
  until i >= 4;
  WriteLn;
  for i := 1 to 3 do
    for j := 1 to 3 do
    begin
      if j > i then
        Break;
      Write(i * j, ' ');
    end;
  WriteLn;
  for i := 1 to 3 do
  begin
    total := i;
  end;
  WriteLn(total, ' ', i);
end.
