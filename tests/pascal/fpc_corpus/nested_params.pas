program NestedParams;
var
  g: Integer;

procedure Outer(n: Integer);
var
  count: Integer;

  procedure Bump(step: Integer);
  begin
    count := count + step;
    g := g + 1;
  end;

  function Twice: Integer;
  begin
    Result := count * 2;
  end;

begin
  count := n;
  Bump(1);
  Bump(10);
  WriteLn(count, ' ', Twice, ' ', g);
end;

procedure Swap(var a, b: Integer);
var
  t: Integer;
begin
  t := a;
  a := b;
  b := t;
end;

procedure NoChange(a: Integer);
begin
  a := a * 100;
end;

procedure SetOut(out v: string);
begin
  v := 'set';
end;

function Join(const a, b: string; sep: Char): string;
begin
  Result := a + sep + b;
end;

procedure AppendTo(var s: string; const suffix: string);
begin
  s := s + suffix;
end;

var
  x, y: Integer;
  s: string;
  arr: array[0..1] of Integer;
begin
  g := 0;
  Outer(5);
  x := 1;
  y := 2;
  Swap(x, y);
  WriteLn(x, ' ', y);
  NoChange(x);
  WriteLn(x);
  SetOut(s);
  WriteLn(s);
  WriteLn(Join('a', 'b', '-'));
  AppendTo(s, '!');
  AppendTo(s, '?');
  WriteLn(s);
  arr[0] := 3;
  arr[1] := 4;
  Swap(arr[0], arr[1]);
  WriteLn(arr[0], arr[1]);
end.
