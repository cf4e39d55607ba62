program ItemsPage;

{ Writes the items a robot hands over as an HTML page, varnelo-items.html in the temporary folder.
  Give that path as the robot's TempFileName and tick "see on screen" to have it opened. }

uses SysUtils, Classes, VarneloHelpers;

var
  Page: TStringList;
  I: Integer;
begin
  Page := TStringList.Create;
  try
    Page.Add('<html><head><meta charset="utf-8"><title>Items</title></head><body>');
    Page.Add('<h1>' + HtmlEscape(url) + '</h1>');
    Page.Add('<ol>');
    if extractedItems <> nil then
      for I := 0 to extractedItems.Count - 1 do
        Page.Add('<li>' + HtmlEscape(extractedItems[I]) + '</li>');
    Page.Add('</ol></body></html>');
    Page.SaveToFile(DataFolder + 'varnelo-items.html');
    Result := DataFolder + 'varnelo-items.html';
  finally
    Page.Free;
  end;
end.
