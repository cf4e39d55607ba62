program StringRoutinesMore;
uses SysUtils, StrUtils;
var
  s: string;
  c: Char;
begin
  s := 'Hello, World';
  WriteLn(StringOfChar('*', 5), '|', StringOfChar('-', 0), '|');
  WriteLn(IntToHex(255, 4), ' ', IntToHex(0, 1), ' ', IntToHex(48879, 2), ' ', IntToHex(-1, 8));
  WriteLn(LeftStr(s, 5), '|', RightStr(s, 5), '|', MidStr(s, 8, 3), '|', LeftStr(s, 50), '|', RightStr(s, 0), '|');
  WriteLn(ReverseString(s), '|', ReverseString(''), '|');
  WriteLn(BoolToStr(True), ' ', BoolToStr(False), ' ', BoolToStr(True, True), ' ', BoolToStr(False, True));
  WriteLn(BoolToStr(True, 'yes', 'no'), ' ', BoolToStr(False, 'yes', 'no'));
  c := 'q';
  WriteLn(UpCase(c), UpCase('A'), UpCase('1'));
  WriteLn(UpperCase(s), ' ', LowerCase(s));
  WriteLn(AnsiUpperCase(s), ' ', AnsiLowerCase(s));
  WriteLn(PosEx('o', s), ' ', PosEx('o', s, 6), ' ', PosEx('o', s, 10), ' ', PosEx('', s), ' ', PosEx('z', s));
  WriteLn('[', Trim('  a b  '), '][', TrimLeft('  a b  '), '][', TrimRight('  a b  '), ']');
  WriteLn('[', Trim(#9'tab'#10), ']');
  WriteLn(Pos('World', s), ' ', Copy(s, 1, 5), ' ', Length(s));
  WriteLn(AnsiContainsText(s, 'world'), ' ', AnsiStartsText('hello', s), ' ', AnsiEndsText('WORLD', s));
  WriteLn(StartsStr('Hello', s), ' ', EndsStr('World', s), ' ', ContainsStr(s, 'lo, W'));
  WriteLn(CompareText('abc', 'ABC'), ' ', SameText('abc', 'ABC'), ' ', CompareStr('a', 'b') < 0);
  WriteLn(DupeString('ab', 3), ' ', AnsiReplaceStr(s, 'l', 'L'));
end.
