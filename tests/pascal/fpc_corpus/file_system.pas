program FileSystem;
uses SysUtils;
var
  temp, dir: string;
begin
  temp := GetTempDir;
  WriteLn(Length(temp) > 0, ' ', temp[Length(temp)] = '/');
  WriteLn(IncludeTrailingPathDelimiter('/a/b'), ' ', IncludeTrailingPathDelimiter('/a/b/'));
  WriteLn(ExcludeTrailingPathDelimiter('/a/b/'), ' ', ExcludeTrailingPathDelimiter('/a/b'));
  WriteLn(ChangeFileExt('report.txt', '.csv'), ' ', ChangeFileExt('dir.v1/file', '.bak'), ' ', ChangeFileExt('a.tar.gz', ''));
  WriteLn(ExtractFileName('/x/y/z.pas'), ' ', ExtractFileExt('/x/y/z.pas'), ' ', ExtractFilePath('/x/y/z.pas'));
  WriteLn(GetEnvironmentVariable('VARNELO_SURELY_UNSET_VARIABLE'), '|');
  WriteLn(GetEnvironmentVariable('HOME') <> '');
  dir := 'corpus_dir/sub/leaf';
  WriteLn(DirectoryExists(dir), ' ', ForceDirectories(dir), ' ', DirectoryExists(dir), ' ', DirectoryExists('corpus_dir'));
  WriteLn(FileExists(dir), ' ', FileExists('corpus_dir/none.txt'));
  RemoveDir(dir);
  RemoveDir('corpus_dir/sub');
  RemoveDir('corpus_dir');
  WriteLn(DirectoryExists('corpus_dir'));
end.
