program OverloadsDefaults;
uses SysUtils;

function Describe(i: Integer): string; overload;
begin
  Result := 'integer ' + IntToStr(i);
end;

function Describe(const s: string): string; overload;
begin
  Result := 'string ' + s;
end;

function Describe(d: Double): string; overload;
begin
  Result := 'double ' + FloatToStr(d);
end;

function Describe(a, b: Integer): string; overload;
begin
  Result := 'pair ' + IntToStr(a + b);
end;

function Greet(const name: string; const greeting: string = 'Hello'; times: Integer = 1): string;
var
  i: Integer;
begin
  Result := '';
  for i := 1 to times do
    Result := Result + greeting + ', ' + name + '! ';
end;

procedure Bump(var x: Integer; by: Integer = 1);
begin
  x := x + by;
end;

var
  n: Integer;
begin
  WriteLn(Describe(5));
  WriteLn(Describe('five'));
  WriteLn(Describe(2.5));
  WriteLn(Describe(2, 3));
  WriteLn(Greet('Ann'));
  WriteLn(Greet('Bob', 'Hi'));
  WriteLn(Greet('Cy', 'Yo', 2));
  n := 10;
  Bump(n);
  Bump(n, 5);
  WriteLn(n);
end.
