program Recursion;

function Fact(n: Integer): Int64;
begin
  if n <= 1 then
    Result := 1
  else
    Result := n * Fact(n - 1);
end;

function Fib(n: Integer): Integer;
begin
  if n < 2 then
    Fib := n
  else
    Fib := Fib(n - 1) + Fib(n - 2);
end;

function Gcd(a, b: Integer): Integer;
begin
  if b = 0 then
    Exit(a);
  Result := Gcd(b, a mod b);
end;

function IsEven(n: Integer): Boolean; forward;

function IsOdd(n: Integer): Boolean;
begin
  if n = 0 then
    Result := False
  else
    Result := IsEven(n - 1);
end;

function IsEven(n: Integer): Boolean;
begin
  if n = 0 then
    Result := True
  else
    Result := IsOdd(n - 1);
end;

procedure Hanoi(n: Integer; src, dst, via: Char; var moves: Integer);
begin
  if n = 0 then
    Exit;
  Hanoi(n - 1, src, via, dst, moves);
  Inc(moves);
  Hanoi(n - 1, via, dst, src, moves);
end;

function Reverse(const s: string): string;
begin
  if Length(s) <= 1 then
    Result := s
  else
    Result := Reverse(Copy(s, 2, Length(s) - 1)) + s[1];
end;

var
  moves: Integer;
begin
  WriteLn(Fact(10), ' ', Fact(20));
  WriteLn(Fib(20));
  WriteLn(Gcd(1071, 462));
  WriteLn(IsEven(10), ' ', IsOdd(7), ' ', IsEven(3));
  moves := 0;
  Hanoi(10, 'A', 'C', 'B', moves);
  WriteLn(moves);
  WriteLn(Reverse('recursion'));
end.
