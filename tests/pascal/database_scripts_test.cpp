#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "run_program.h"
#include "support/temp_dir.h"

namespace varnelo::pascal {
namespace {

using testing::RunProgram;
using testing::TRunOutcome;

// Scripts that use the database classes the way a Lazarus programmer writes them.
class DatabaseScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.Path();
  }

  // The script's text with DBPATH replaced by a database file in the test's folder.
  std::string WithPath(std::string source) const {
    std::string path = (dir_ / "robot.db").string();
    for (size_t at = source.find("DBPATH"); at != std::string::npos; at = source.find("DBPATH"))
      source.replace(at, 6, path);
    return source;
  }

  const test::TTempDir scratch_;
  std::filesystem::path dir_;
};

TEST_F(DatabaseScriptTest, StoresAndReadsRowsWithParametersAndATransaction) {
  auto outcome = RunProgram(WithPath(R"(program Store;
uses SysUtils, DB, SQLDB, SQLite3Conn;
var
  Conn: TSQLite3Connection;
  Trans: TSQLTransaction;
  Query: TSQLQuery;
  i: Integer;
begin
  Conn := TSQLite3Connection.Create(nil);
  Trans := TSQLTransaction.Create(nil);
  Query := TSQLQuery.Create(nil);
  try
    Conn.DatabaseName := 'DBPATH';
    Conn.Transaction := Trans;
    Query.DataBase := Conn;
    Conn.Open;
    Conn.ExecuteDirect('CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT, qty INTEGER)');
    Query.SQL.Text := 'INSERT INTO items (name, qty) VALUES (:name, :qty)';
    for i := 1 to 3 do
    begin
      Query.Params.ParamByName('name').AsString := 'item ' + IntToStr(i);
      Query.ParamByName('qty').AsInteger := i * 10;
      Query.ExecSQL;
    end;
    Trans.Commit;
    Query.SQL.Clear;
    Query.SQL.Add('SELECT name, qty FROM items');
    Query.SQL.Add('ORDER BY id');
    Query.Open;
    WriteLn(Query.RecordCount);
    while not Query.EOF do
    begin
      WriteLn(Query.FieldByName('name').AsString, '=', Query.FieldByName('qty').AsInteger);
      Query.Next;
    end;
    Result := Query.Fields.Count;
    Query.Close;
  finally
    Query.Free;
    Trans.Free;
    Conn.Free;
  end;
end.)"));
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "3\nitem 1=10\nitem 2=20\nitem 3=30\n");
  EXPECT_EQ(outcome.result.AsInteger(), 2);
}

// Robots run one script per worker, all storing into the same database: none may lose its rows to
// "database is locked".
TEST_F(DatabaseScriptTest, ScriptsRunningAtOnceAllStoreTheirRows) {
  const std::string script = WithPath(R"(program Store;
uses SysUtils, DB, SQLDB, SQLite3Conn;
var
  Conn: TSQLite3Connection;
  Trans: TSQLTransaction;
  Query: TSQLQuery;
  i, round: Integer;
begin
  for round := 1 to 20 do
  begin
    Conn := TSQLite3Connection.Create(nil);
    Trans := TSQLTransaction.Create(nil);
    Query := TSQLQuery.Create(nil);
    try
      Conn.DatabaseName := 'DBPATH';
      Conn.Transaction := Trans;
      Conn.Open;
      Conn.ExecuteDirect('CREATE TABLE IF NOT EXISTS items (id INTEGER PRIMARY KEY, item TEXT)');
      Trans.StartTransaction;
      Query.DataBase := Conn;
      Query.Transaction := Trans;
      Query.SQL.Text := 'INSERT INTO items (item) VALUES (:item)';
      for i := 1 to 5 do
      begin
        Query.Params.ParamByName('item').AsString := IntToStr(round) + '.' + IntToStr(i);
        Query.ExecSQL;
      end;
      Trans.Commit;
    finally
      Query.Free;
      Trans.Free;
      Conn.Free;
    end;
  end;
end.)");
  constexpr int kScripts = 3;
  std::vector<TRunOutcome> outcomes(kScripts);
  {
    std::vector<std::jthread> runs;
    for (int i = 0; i < kScripts; ++i) runs.emplace_back([&, i] { outcomes[i] = RunProgram(script); });
  }
  for (const TRunOutcome& outcome : outcomes) ASSERT_FALSE(outcome.error) << outcome.error->what();
  const auto count = RunProgram(WithPath(R"(program Count;
uses SQLDB, SQLite3Conn;
var
  Conn: TSQLite3Connection;
  Query: TSQLQuery;
begin
  Conn := TSQLite3Connection.Create(nil);
  Query := TSQLQuery.Create(nil);
  Conn.DatabaseName := 'DBPATH';
  Query.DataBase := Conn;
  Query.SQL.Text := 'SELECT COUNT(*) AS n FROM items';
  Query.Open;
  Result := Query.FieldByName('n').AsInteger;
  Query.Free;
  Conn.Free;
end.)"));
  ASSERT_FALSE(count.error) << count.error->what();
  EXPECT_EQ(count.result.AsInteger(), kScripts * 20 * 5);
}

TEST_F(DatabaseScriptTest, DatabaseErrorsAreCaughtAsEDatabaseError) {
  auto outcome = RunProgram(WithPath(R"(program Errors;
uses DB, SQLDB, SQLite3Conn;
var
  Conn: TSQLite3Connection;
  Query: TSQLQuery;
begin
  Conn := TSQLite3Connection.Create(nil);
  Conn.DatabaseName := 'DBPATH';
  Query := TSQLQuery.Create(nil);
  Query.DataBase := Conn;
  Query.SQL.Text := 'SELECT * FROM missing';
  try
    Query.Open;
  except
    on E: EDatabaseError do WriteLn('database: ', E.Message);
  end;
  try
    Query.SQL.Text := 'SELECT 1 AS a';
    Query.Open;
    WriteLn(Query.FieldByName('b').AsString);
  except
    on E: Exception do WriteLn(E.ClassName, ': ', E.Message);
  end;
  if Query.FieldByName('a').IsNull then WriteLn('null') else WriteLn(Query.FieldByName('a').Value);
end.)"));
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "database: no such table: missing\nEDatabaseError: Field not found : \"b\"\n1\n");
}

TEST_F(DatabaseScriptTest, AnUncaughtDatabaseErrorEndsTheRunWithItsMessage) {
  auto outcome = RunProgram(WithPath(R"(program Fails;
var Conn: TSQLite3Connection;
begin
  Conn := TSQLite3Connection.Create(nil);
  Conn.DatabaseName := 'DBPATH';
  Conn.ExecuteDirect('CREATE TABLEX t');
end.)"));
  ASSERT_TRUE(outcome.error);
  EXPECT_EQ(outcome.error->Line(), 6);
  EXPECT_NE(outcome.error->Text().find("syntax error"), std::string::npos) << outcome.error->Text();
}

}  // namespace
}  // namespace varnelo::pascal
