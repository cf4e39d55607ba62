program WithStatements;
uses SysUtils, Classes;
type
  TPoint = record
    X, Y: Integer;
  end;
  TBox = record
    Name: string;
    TopLeft: TPoint;
    Size: TPoint;
  end;
var
  p: TPoint;
  b: TBox;
  list: TStringList;
  X: Integer;
begin
  X := 100;
  with p do
  begin
    X := 3;
    Y := 4;
  end;
  WriteLn(p.X, ' ', p.Y, ' ', X);
  with b, TopLeft do
  begin
    Name := 'box';
    X := 1;
    Y := 2;
  end;
  with b.Size do
  begin
    X := X + 10;
    Y := Y + 20;
  end;
  WriteLn(b.Name, ' ', b.TopLeft.X, ' ', b.TopLeft.Y, ' ', b.Size.X, ' ', b.Size.Y);
  list := TStringList.Create;
  with list do
  begin
    Add('one');
    Add('two');
    WriteLn(Count, ' ', Strings[1], ' ', CommaText);
  end;
  list.Free;
end.
