unit VarneloHelpers;

{ What the sample scripts share: where they keep what they write, and HTML escaping. }

interface

uses SysUtils;

{ The folder where the samples write their database and page: the system's temporary folder. }
function DataFolder: string;

{ The text with the characters that HTML gives a meaning to written as entities. }
function HtmlEscape(const S: string): string;

implementation

function DataFolder: string;
begin
  Result := IncludeTrailingPathDelimiter(GetTempDir);
end;

function HtmlEscape(const S: string): string;
begin
  Result := StringReplace(S, '&', '&amp;', [rfReplaceAll]);
  Result := StringReplace(Result, '<', '&lt;', [rfReplaceAll]);
  Result := StringReplace(Result, '>', '&gt;', [rfReplaceAll]);
  Result := StringReplace(Result, '"', '&quot;', [rfReplaceAll]);
end;

end.
