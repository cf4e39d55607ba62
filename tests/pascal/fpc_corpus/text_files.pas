program TextFiles;
uses SysUtils;
var
  f: TextFile;
  line, name: string;
  count, i: Integer;
begin
  name := 'corpus_text_file.txt';
  AssignFile(f, name);
  Rewrite(f);
  WriteLn(f, 'first line');
  WriteLn(f, 'number ', 42, ' and ', 3.5:0:2);
  Write(f, 'no newline yet');
  WriteLn(f);
  for i := 1 to 3 do
    WriteLn(f, 'row ', i);
  CloseFile(f);
  WriteLn('exists: ', FileExists(name));

  AssignFile(f, name);
  Append(f);
  WriteLn(f, 'appended');
  CloseFile(f);

  AssignFile(f, name);
  Reset(f);
  count := 0;
  while not Eof(f) do
  begin
    ReadLn(f, line);
    Inc(count);
    WriteLn(count, ': [', line, ']');
  end;
  CloseFile(f);

  Rewrite(f);
  CloseFile(f);
  Reset(f);
  WriteLn('empty eof: ', Eof(f));
  CloseFile(f);
  DeleteFile(name);
  WriteLn('after delete: ', FileExists(name));
end.
