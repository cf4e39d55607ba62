program StringsRoutines;
uses SysUtils, StrUtils;
var
  s: string;
begin
  s := 'The quick brown fox';
  WriteLn(Copy(s, 5, 5));
  WriteLn(Copy(s, 17, 100));
  WriteLn('[', Copy(s, 30, 2), ']');
  WriteLn('[', Copy(s, 0, 3), ']');
  WriteLn('[', Copy(s, 3, 0), ']');
  WriteLn(Copy(s, 11));
  WriteLn(Pos('quick', s), ' ', Pos('slow', s), ' ', Pos('o', s), ' ', Pos('', s));
  WriteLn(Pos('o', s, 14));
  Delete(s, 5, 6);
  WriteLn(s);
  Delete(s, 100, 2);
  WriteLn(s);
  Delete(s, 1, 0);
  WriteLn(s);
  Insert('lazy ', s, 5);
  WriteLn(s);
  Insert('!', s, 100);
  WriteLn(s);
  Insert('>', s, 1);
  WriteLn(s);
  WriteLn(UpperCase('MiXeD 123'), ' ', LowerCase('MiXeD 123'));
  WriteLn('[', Trim('  padded  '), '] [', TrimLeft('  padded  '), '] [', TrimRight('  padded  '), ']');
  WriteLn('[', Trim(#9' tab'#13#10), ']');
  WriteLn(QuotedStr('plain'), ' ', QuotedStr('it''s'), ' ', QuotedStr(''));
  WriteLn(StringReplace('a-b-c', '-', '+', []));
  WriteLn(StringReplace('a-b-c', '-', '+', [rfReplaceAll]));
  WriteLn(StringReplace('Foo foo FOO', 'foo', 'bar', [rfReplaceAll]));
  WriteLn(StringReplace('Foo foo FOO', 'foo', 'bar', [rfReplaceAll, rfIgnoreCase]));
  WriteLn(StringReplace('Foo foo FOO', 'foo', 'bar', [rfIgnoreCase]));
  WriteLn(StringReplace('aaa', 'a', 'aa', [rfReplaceAll]));
  WriteLn(StringReplace('abc', 'x', 'y', [rfReplaceAll]));
  WriteLn(StringReplace('abc', 'b', '', [rfReplaceAll]));
end.
