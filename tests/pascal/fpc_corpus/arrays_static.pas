program ArraysStatic;
const
  N = 5;
type
  TVec = array[1..N] of Integer;
var
  v, w: TVec;
  m: array[0..2, 0..2] of Integer;
  z: array[-2..2] of Char;
  i, j, sum: Integer;

procedure Fill(var a: TVec; start: Integer);
var
  k: Integer;
begin
  for k := Low(a) to High(a) do
    a[k] := start + k;
end;

function Total(const a: array of Integer): Integer;
var
  k: Integer;
begin
  Result := 0;
  for k := Low(a) to High(a) do
    Result := Result + a[k];
end;

begin
  Fill(v, 10);
  w := v;
  w[1] := 0;
  for i := Low(v) to High(v) do
    Write(v[i], ' ');
  WriteLn;
  WriteLn(w[1], ' ', Length(v), ' ', Low(v), ' ', High(v));
  WriteLn(Total(v), ' ', Total(w));
  for i := 0 to 2 do
    for j := 0 to 2 do
      m[i, j] := i * 3 + j;
  sum := 0;
  for i := 0 to 2 do
    sum := sum + m[i][i];
  WriteLn(sum, ' ', m[2, 1]);
  for i := -2 to 2 do
    z[i] := Chr(Ord('a') + i + 2);
  for i := Low(z) to High(z) do
    Write(z[i]);
  WriteLn;
  WriteLn(Low(z), ' ', High(z));
end.
