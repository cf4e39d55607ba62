program StringListCorpus;
uses SysUtils, Classes;
var
  list, other: TStringList;
  i: Integer;
begin
  list := TStringList.Create;
  try
    list.Add('banana');
    list.Add('apple');
    list.Add('cherry');
    WriteLn(list.Count, ' ', list[0], ' ', list.Strings[2]);
    WriteLn(list.IndexOf('apple'), ' ', list.IndexOf('APPLE'), ' ', list.IndexOf('kiwi'));
    Write(list.Text);
    WriteLn(list.CommaText);
    list.Sort;
    WriteLn(list.CommaText);
    list[1] := 'blueberry';
    list.Delete(0);
    WriteLn(list.CommaText, ' ', list.Count);
    list.Clear;
    WriteLn(list.Count, ' [', list.Text, ']');
    list.Add('name=Alice');
    list.Add('city=Paris');
    WriteLn(list.Values['city'], '|', list.Values['name'], '|', list.Values['none'], '|');
    list.Values['city'] := 'Lyon';
    list.Values['zip'] := '69000';
    WriteLn(list.CommaText);
    list.CommaText := 'one,two,"three four",five';
    WriteLn(list.Count, ' ', list[2]);
    for i := 0 to list.Count - 1 do
      Write(i, '=', list[i], ';');
    WriteLn;
    list.Text := 'x' + LineEnding + 'y' + LineEnding + 'z';
    WriteLn(list.Count, ' ', list[list.Count - 1]);
    list.SaveToFile('corpus_list.txt');
    other := TStringList.Create;
    try
      other.Sorted := True;
      other.LoadFromFile('corpus_list.txt');
      other.Add('a');
      other.Add('m');
      WriteLn(other.CommaText, ' ', other.Sorted, ' ', other.IndexOf('m'));
    finally
      other.Free;
    end;
    DeleteFile('corpus_list.txt');
  finally
    list.Free;
  end;
end.
