program EnumsCase;
type
  TDay = (Mon, Tue, Wed, Thu, Fri, Sat, Sun);
var
  d: TDay;
  i: Integer;
  c: Char;

function Kind(day: TDay): string;
begin
  case day of
    Mon..Fri: Result := 'work';
    Sat, Sun: Result := 'rest';
  end;
end;

begin
  d := Wed;
  WriteLn(Ord(d), ' ', Ord(Sun), ' ', Ord(Mon));
  WriteLn(d = Wed, ' ', d < Thu, ' ', d > Fri);
  for d := Mon to Sun do
    Write(Kind(d), ' ');
  WriteLn;
  for i := 0 to 12 do
    case i of
      0: Write('zero ');
      1, 2, 3: Write('small ');
      4..9: Write('medium ');
    else
      Write('big ');
    end;
  WriteLn;
  for c := 'a' to 'e' do
    case c of
      'a', 'e': Write('vowel ');
    else
      Write('consonant ');
    end;
  WriteLn;
  case 5 of
    1: WriteLn('one');
  end;
  WriteLn('done');
end.
