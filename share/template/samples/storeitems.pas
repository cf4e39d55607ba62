program StoreItems;

{ Stores the items a robot hands over, each with the URL it came from and the time, in the SQLite
  database varnelo-items.db of the temporary folder. Choose this file as the robot's script. }

uses SysUtils, DB, VarneloHelpers;

var
  Connection: TSQLite3Connection;
  Transaction: TSQLTransaction;
  Query: TSQLQuery;
  I: Integer;
  Stored: string;
begin
  if extractedItems = nil then
  begin
    Result := 'no items to store';
    Exit;
  end;
  Stored := FormatDateTime('yyyy-mm-dd hh:nn:ss', Now);
  Connection := TSQLite3Connection.Create(nil);
  Transaction := TSQLTransaction.Create(nil);
  Query := TSQLQuery.Create(nil);
  try
    Connection.DatabaseName := DataFolder + 'varnelo-items.db';
    Connection.Transaction := Transaction;
    Connection.Open;
    Connection.ExecuteDirect('CREATE TABLE IF NOT EXISTS items (id INTEGER PRIMARY KEY, url TEXT, item TEXT, stored TEXT)');
    Transaction.StartTransaction;
    Query.DataBase := Connection;
    Query.Transaction := Transaction;
    Query.SQL.Text := 'INSERT INTO items (url, item, stored) VALUES (:url, :item, :stored)';
    for I := 0 to extractedItems.Count - 1 do
    begin
      Query.Params.ParamByName('url').AsString := url;
      Query.Params.ParamByName('item').AsString := extractedItems[I];
      Query.Params.ParamByName('stored').AsString := Stored;
      Query.ExecSQL;
    end;
    Transaction.Commit;
    Result := IntToStr(extractedItems.Count) + ' items stored';
  finally
    Query.Free;
    Transaction.Free;
    Connection.Free;
  end;
end.
