program ArraysDynamic;
type
  TIntArray = array of Integer;
var
  a, b: array of Integer;
  names: array of string;
  grid: array of array of Integer;
  i, j: Integer;

function Squares(n: Integer): TIntArray;
var
  k: Integer;
begin
  SetLength(Result, n);
  for k := 0 to n - 1 do
    Result[k] := k * k;
end;

begin
  WriteLn(Length(a), ' ', High(a), ' ', Low(a));
  SetLength(a, 5);
  for i := 0 to High(a) do
    a[i] := i * 2;
  WriteLn(Length(a), ' ', High(a), ' ', a[4]);
  b := a;
  b[0] := 100;
  WriteLn(a[0]);
  SetLength(a, 7);
  WriteLn(a[4], ' ', a[6], ' ', Length(a));
  SetLength(a, 2);
  WriteLn(Length(a), ' ', a[1]);
  SetLength(names, 3);
  names[0] := 'zero';
  names[2] := 'two';
  for i := 0 to High(names) do
    Write('[', names[i], ']');
  WriteLn;
  SetLength(grid, 3);
  for i := 0 to 2 do
  begin
    SetLength(grid[i], i + 1);
    for j := 0 to i do
      grid[i][j] := i + j;
  end;
  b := Squares(4);
  WriteLn(b[3], ' ', Length(b));
  WriteLn(Length(grid[2]), ' ', grid[2][2], ' ', grid[1, 0]);
end.
