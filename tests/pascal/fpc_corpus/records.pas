program Records;
uses SysUtils;
type
  TPoint = record
    X, Y: Integer;
  end;
  TPerson = record
    Name: string;
    Age: Integer;
    Score: Double;
    Home: TPoint;
  end;
var
  p, q: TPoint;
  a: TPerson;
  people: array[1..3] of TPerson;
  i: Integer;

function MakePoint(x, y: Integer): TPoint;
begin
  Result.X := x;
  Result.Y := y;
end;

procedure Move(var pt: TPoint; dx, dy: Integer);
begin
  pt.X := pt.X + dx;
  pt.Y := pt.Y + dy;
end;

function Describe(const pt: TPoint): string;
begin
  Result := '(' + IntToStr(pt.X) + ', ' + IntToStr(pt.Y) + ')';
end;

begin
  p.X := 1;
  p.Y := 2;
  q := p;
  q.X := 10;
  WriteLn(p.X, ' ', p.Y, ' ', q.X, ' ', q.Y);
  p := MakePoint(3, 4);
  Move(p, 1, -1);
  WriteLn(Describe(p));
  a.Name := 'Ann';
  a.Age := 31;
  a.Score := 88.5;
  a.Home.X := 7;
  WriteLn(a.Name, ' ', a.Age, ' ', a.Score:0:1, ' ', a.Home.X, ' ', a.Home.Y);
  for i := 1 to 3 do
  begin
    people[i].Name := 'P' + IntToStr(i);
    people[i].Age := 20 + i;
  end;
  people[2] := a;
  a.Age := 99;
  for i := 1 to 3 do
    WriteLn(people[i].Name, ' ', people[i].Age);
end.
