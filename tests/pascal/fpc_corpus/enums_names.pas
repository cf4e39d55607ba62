program EnumsNames;
uses SysUtils;
type
  TColor = (clRed, clGreen, clBlue, clYellow);
  TSmall = (One, Two);
var
  c: TColor;
  s: TSmall;
  colors: array[TColor] of Integer;
begin
  c := clGreen;
  WriteLn(c);
  WriteLn('color=', c, ' next=', Succ(c), ' prev=', Pred(c));
  WriteLn(Low(TColor), ' ', High(TColor), ' ', Ord(High(TColor)));
  for c := Low(TColor) to High(TColor) do
    Write(c, ':', Ord(c), ' ');
  WriteLn;
  for c := High(TColor) downto clGreen do
    Write(c, ' ');
  WriteLn;
  c := clRed;
  Inc(c);
  WriteLn(c);
  Inc(c, 2);
  WriteLn(c);
  Dec(c);
  WriteLn(c);
  c := TColor(2);
  WriteLn(c, ' ', c = clBlue);
  s := High(TSmall);
  WriteLn(s, ' ', Low(s), ' ', High(s));
  for c := clRed to clYellow do
    colors[c] := Ord(c) * 10;
  WriteLn(colors[clBlue], ' ', colors[High(TColor)]);
  WriteLn(Succ(clRed) = clGreen, ' ', Pred(clYellow) > clGreen);
  WriteLn(c:10, '|', s:-6, '|');
end.
