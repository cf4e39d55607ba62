#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "pascal/builtins.h"
#include "pascal/sqlite_classes.h"
#include "pascal/sqlite_sql_scan.h"
#include "pascal/sqlite_support.h"
#include "run_program.h"
#include "support/temp_dir.h"

namespace varnelo::pascal {
namespace {


TValue Str(const std::string& text) { return TValue::String(text); }
TValue Int(int64_t value) { return TValue::Integer(value); }

TNativeObject& Native(const TValue& object) {
  EXPECT_EQ(object.Kind(), TValueKind::kObject);
  return *object.AsObject()->native;
}

TValue Get(const TValue& object, const std::string& name, const std::vector<TValue>& indexes = {}) {
  auto value = Native(object).GetProperty(name, indexes);
  if (!value) ADD_FAILURE() << "no property " << name;
  return value.value_or(TValue());
}

void Set(const TValue& object, const std::string& name, const TValue& value) {
  EXPECT_TRUE(Native(object).SetProperty(name, {}, value)) << "no writable property " << name;
}

TValue Call(const TValue& object, const std::string& name, const std::vector<TValue>& args = {}) {
  auto value = Native(object).CallMethod(name, args);
  if (!value) ADD_FAILURE() << "no method " << name;
  return value.value_or(TValue());
}

// Expects `action` to raise a library error of `code` whose message contains `text`.
void ExpectError(const std::function<void()>& action, TErrorCode code, const std::string& text) {
  try {
    action();
    ADD_FAILURE() << "no error; expected: " << text;
  } catch (const TBuiltinError& error) {
    EXPECT_EQ(error.code, code) << error.what();
    EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
  }
}

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddDatabaseClasses(classes_);
    dir_ = scratch_.Path();
    path_ = (dir_ / "robot.db").string();
  }

  TValue Create(const std::string& className) {
    auto found = classes_.find(className);
    EXPECT_NE(found, classes_.end()) << className;
    return NativeValue(found->second({TValue::Object(nullptr)}));
  }

  // A connection, transaction and query wired the way SQLdb scripts wire them.
  struct TDatabase {
    TValue connection, transaction, query;
  };
  TDatabase Connect(bool withTransaction = true, const std::string& path = {}) {
    TDatabase db{Create("tsqlite3connection"), TValue::Object(nullptr), Create("tsqlquery")};
    Set(db.connection, "databasename", Str(path.empty() ? path_ : path));
    if (withTransaction) {
      db.transaction = Create("tsqltransaction");
      Set(db.connection, "transaction", db.transaction);
    }
    Call(db.connection, "open");
    Set(db.query, "database", db.connection);
    return db;
  }

  static void Sql(const TValue& query, const std::string& text) { Set(Get(query, "sql"), "text", Str(text)); }
  static void Param(const TValue& query, const std::string& name, const std::string& as, const TValue& value) {
    Set(Call(query, "parambyname", {Str(name)}), as, value);
  }
  static TValue Field(const TValue& query, const std::string& name, const std::string& as) {
    return Get(Call(query, "fieldbyname", {Str(name)}), as);
  }
  static void Exec(const TValue& query, const std::string& text) {
    Sql(query, text);
    Call(query, "execsql");
  }
  static int64_t Count(const TValue& query, const std::string& table) {
    Sql(query, "SELECT count(*) AS n FROM " + table);
    Call(query, "open");
    int64_t n = Field(query, "n", "asinteger").AsInteger();
    Call(query, "close");
    return n;
  }

  std::map<std::string, TNativeConstructor> classes_;
  const test::TTempDir scratch_;
  std::filesystem::path dir_;
  std::string path_;
};

TEST_F(DatabaseTest, InsertsWithParametersInATransactionAndWalksTheRows) {
  auto db = Connect();
  Call(db.connection, "executedirect", {Str("CREATE TABLE items (id INTEGER PRIMARY KEY, url TEXT, hits INTEGER, score REAL)")});
  Call(db.transaction, "starttransaction");
  EXPECT_TRUE(Get(db.transaction, "active").AsBoolean());
  Sql(db.query, "INSERT INTO items (url, hits, score) VALUES (:url, :hits, :score)");
  const std::vector<std::tuple<std::string, int64_t, double>> rows = {{"http://a/", 3, 0.5}, {"http://b/", 7, 2.25}, {"http://c/", 1, -1}};
  for (const auto& [url, hits, score] : rows) {
    Param(db.query, "url", "asstring", Str(url));
    Param(db.query, "HITS", "asinteger", Int(hits));
    Param(db.query, "score", "asfloat", TValue::Float(score));
    Call(db.query, "execsql");
    EXPECT_EQ(Get(db.query, "rowsaffected").AsInteger(), 1);
  }
  EXPECT_EQ(Call(db.connection, "getinsertid").AsInteger(), 3);
  Call(db.transaction, "commit");
  EXPECT_FALSE(Get(db.transaction, "active").AsBoolean());

  Exec(db.query, "UPDATE items SET hits = hits + 1 WHERE hits > 2");
  EXPECT_EQ(Get(db.query, "rowsaffected").AsInteger(), 2);
  Call(db.transaction, "commit");
  Call(db.connection, "close");
  EXPECT_FALSE(Get(db.connection, "connected").AsBoolean());

  // A second connection sees what was committed.
  auto other = Connect();
  Sql(other.query, "SELECT id, url, hits, score FROM items ORDER BY id");
  Call(other.query, "open");
  EXPECT_EQ(Get(other.query, "recordcount").AsInteger(), 3);
  EXPECT_TRUE(Get(other.query, "bof").AsBoolean());
  std::vector<std::string> seen;
  while (!Get(other.query, "eof").AsBoolean()) {
    seen.push_back(Field(other.query, "url", "asstring").AsString() + " " + Field(other.query, "Hits", "asstring").AsString() +
                   " " + Field(other.query, "score", "asstring").AsString() + " " +
                   std::to_string(Field(other.query, "id", "asinteger").AsInteger()));
    Call(other.query, "next");
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"http://a/ 4 0.5 1", "http://b/ 8 2.25 2", "http://c/ 1 -1 3"}));
  EXPECT_DOUBLE_EQ(Field(other.query, "score", "asfloat").AsFloat(), -1);  // Eof stays on the last row
}

TEST_F(DatabaseTest, RollbackAndClosingWithoutCommitDiscardTheWork) {
  auto db = Connect();
  Call(db.connection, "executedirect", {Str("CREATE TABLE t (v TEXT)")});
  Call(db.transaction, "commit");

  Exec(db.query, "INSERT INTO t VALUES ('gone')");
  EXPECT_TRUE(Get(db.transaction, "active").AsBoolean());  // the statement started one
  Call(db.transaction, "rollback");
  EXPECT_EQ(Count(db.query, "t"), 0);

  Exec(db.query, "INSERT INTO t VALUES ('also gone')");
  Call(db.connection, "close");
  Call(db.connection, "open");
  EXPECT_EQ(Count(db.query, "t"), 0);

  Exec(db.query, "INSERT INTO t VALUES ('kept')");
  Call(db.transaction, "commit");
  Call(db.connection, "close");
  Set(db.connection, "connected", TValue::Boolean(true));
  EXPECT_EQ(Count(db.query, "t"), 1);
}

TEST_F(DatabaseTest, WithoutATransactionObjectEveryStatementCommits) {
  auto db = Connect(false);
  Call(db.connection, "executedirect", {Str("CREATE TABLE t (v INTEGER)")});
  Exec(db.query, "INSERT INTO t VALUES (1)");
  auto other = Connect(false);
  EXPECT_EQ(Count(other.query, "t"), 1);
}

TEST_F(DatabaseTest, SqlNullReadsAsNullAndEmptyDefaults) {
  auto db = Connect();
  Exec(db.query, "CREATE TABLE t (a TEXT, b INTEGER, c REAL)");
  Sql(db.query, "INSERT INTO t VALUES (:a, :b, :c)");
  Param(db.query, "a", "asstring", Str("x"));
  Call(Call(db.query, "parambyname", {Str("a")}), "clear");  // cleared
  Param(db.query, "b", "value", TValue::Null());             // assigned Null
  Call(db.query, "execsql");                                 // c never assigned
  Sql(db.query, "SELECT a, b, c FROM t");
  Call(db.query, "open");
  for (const char* name : {"a", "b", "c"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Field(db.query, name, "value").Kind(), TValueKind::kNull);
    EXPECT_TRUE(Field(db.query, name, "isnull").AsBoolean());
    EXPECT_EQ(Field(db.query, name, "asstring").AsString(), "");
    EXPECT_EQ(Field(db.query, name, "asinteger").AsInteger(), 0);
    EXPECT_FALSE(Field(db.query, name, "asboolean").AsBoolean());
  }
  EXPECT_EQ(Get(db.query, "fieldvalues", {Str("b")}).Kind(), TValueKind::kNull);
}

TEST_F(DatabaseTest, ParametersAreBoundAndNeverPastedIntoTheText) {
  auto db = Connect();
  Exec(db.query, "CREATE TABLE t (a TEXT, b TEXT)");
  const std::string hostile = "O'Brien'); DROP TABLE t; --";
  Sql(db.query, "INSERT INTO t VALUES (':notparam', :b) -- :alsonot\n/* :nor */");
  EXPECT_EQ(Get(Get(db.query, "params"), "count").AsInteger(), 1);
  EXPECT_EQ(Get(Get(db.query, "params", {Int(0)}), "name").AsString(), "b");
  Set(Call(Get(db.query, "params"), "parambyname", {Str("B")}), "asstring", Str(hostile));
  Call(db.query, "execsql");
  Sql(db.query, "SELECT a, b FROM t");
  Call(db.query, "open");
  EXPECT_EQ(Field(db.query, "a", "asstring").AsString(), ":notparam");
  EXPECT_EQ(Field(db.query, "b", "asstring").AsString(), hostile);
  Call(db.query, "close");
  EXPECT_EQ(Count(db.query, "t"), 1);
}

TEST_F(DatabaseTest, ParameterValuesSurviveAChangeOfSqlThatKeepsThem) {
  auto db = Connect();
  Sql(db.query, "SELECT :keep AS k");
  Param(db.query, "keep", "asinteger", Int(5));
  Sql(db.query, "SELECT :KEEP AS k, :other AS o");
  Call(db.query, "open");
  EXPECT_EQ(Field(db.query, "k", "asinteger").AsInteger(), 5);
  EXPECT_EQ(Field(db.query, "o", "value").Kind(), TValueKind::kNull);
}

TEST_F(DatabaseTest, UnicodeTextRoundTrips) {
  auto db = Connect();
  const std::string text = "Zoë — 日本語 🙂 Ünïcödé";
  Exec(db.query, "CREATE TABLE t (v TEXT)");
  Sql(db.query, "INSERT INTO t VALUES (:v)");
  Param(db.query, "v", "asstring", Str(text));
  Call(db.query, "execsql");
  Sql(db.query, "SELECT v, length(v) AS chars FROM t WHERE v = :v");
  Call(db.query, "open");
  ASSERT_EQ(Get(db.query, "recordcount").AsInteger(), 1);
  EXPECT_EQ(Field(db.query, "v", "asstring").AsString(), text);
  EXPECT_EQ(Field(db.query, "chars", "asinteger").AsInteger(), 19);  // SQLite counts characters, not bytes
}

TEST_F(DatabaseTest, AHundredThousandRowsInOneTransaction) {
  auto db = Connect();
  Exec(db.query, "CREATE TABLE t (n INTEGER, s TEXT)");
  Call(db.transaction, "commit");
  Sql(db.query, "INSERT INTO t VALUES (:n, :s)");
  for (int64_t n = 1; n <= 100000; ++n) {
    Param(db.query, "n", "asinteger", Int(n));
    Param(db.query, "s", "asstring", Str("row " + std::to_string(n)));
    Call(db.query, "execsql");
  }
  Call(db.transaction, "commit");
  Sql(db.query, "SELECT count(*) AS c, sum(n) AS total FROM t");
  Call(db.query, "open");
  EXPECT_EQ(Field(db.query, "c", "asinteger").AsInteger(), 100000);
  EXPECT_EQ(Field(db.query, "total", "asinteger").AsInteger(), 5000050000);
}

TEST_F(DatabaseTest, NavigationAndFieldsFollowTheCursor) {
  auto db = Connect();
  Exec(db.query, "CREATE TABLE t (n INTEGER)");
  Exec(db.query, "INSERT INTO t VALUES (1), (2), (3)");
  Sql(db.query, "SELECT n FROM t ORDER BY n");
  Call(db.query, "open");
  TValue field = Call(db.query, "fieldbyname", {Str("N")});
  EXPECT_EQ(Get(field, "fieldname").AsString(), "n");
  EXPECT_EQ(Get(db.query, "fieldcount").AsInteger(), 1);
  EXPECT_EQ(Get(Get(db.query, "fields"), "count").AsInteger(), 1);
  EXPECT_EQ(Get(Get(db.query, "fields", {Int(0)}), "asinteger").AsInteger(), 1);
  Call(db.query, "next");
  EXPECT_EQ(Get(field, "asinteger").AsInteger(), 2);
  EXPECT_EQ(Get(db.query, "recno").AsInteger(), 2);
  EXPECT_FALSE(Get(db.query, "bof").AsBoolean());
  Call(db.query, "last");
  EXPECT_TRUE(Get(db.query, "eof").AsBoolean());
  EXPECT_EQ(Get(field, "asinteger").AsInteger(), 3);
  Call(db.query, "prior");
  EXPECT_EQ(Get(field, "asinteger").AsInteger(), 2);
  EXPECT_FALSE(Get(db.query, "eof").AsBoolean());
  Call(db.query, "first");
  EXPECT_TRUE(Get(db.query, "bof").AsBoolean());
  EXPECT_EQ(Get(field, "asinteger").AsInteger(), 1);
  EXPECT_EQ(Call(db.query, "findfield", {Str("missing")}).AsObject(), nullptr);

  Call(db.query, "close");
  ExpectError([&] { Get(field, "asinteger"); }, TErrorCode::kDatabase, "inactive dataset");

  Sql(db.query, "SELECT n FROM t WHERE n > 10");
  Call(db.query, "open");
  EXPECT_TRUE(Get(db.query, "eof").AsBoolean());
  EXPECT_TRUE(Get(db.query, "bof").AsBoolean());
  EXPECT_TRUE(Get(db.query, "isempty").AsBoolean());
  EXPECT_EQ(Get(db.query, "recordcount").AsInteger(), 0);
  EXPECT_EQ(Field(db.query, "n", "value").Kind(), TValueKind::kNull);
}

TEST_F(DatabaseTest, CommitClosesQueriesAndOpenRunsAChangedSqlAgain) {
  auto db = Connect();
  Exec(db.query, "CREATE TABLE t (n INTEGER)");
  Sql(db.query, "SELECT count(*) AS c FROM t");
  Call(db.query, "open");
  EXPECT_EQ(Field(db.query, "c", "asinteger").AsInteger(), 0);
  TValue insert = Create("tsqlquery");
  Set(insert, "database", db.connection);
  Exec(insert, "INSERT INTO t VALUES (1)");
  Call(db.query, "open");  // already open with the same SQL: nothing runs
  EXPECT_EQ(Field(db.query, "c", "asinteger").AsInteger(), 0);
  Call(db.transaction, "commitretaining");
  EXPECT_TRUE(Get(db.query, "active").AsBoolean());
  EXPECT_TRUE(Get(db.transaction, "active").AsBoolean());
  Call(db.transaction, "commit");
  EXPECT_FALSE(Get(db.query, "active").AsBoolean());
  Call(db.query, "open");
  EXPECT_EQ(Field(db.query, "c", "asinteger").AsInteger(), 1);
  Sql(db.query, "SELECT count(*) + 100 AS c FROM t");
  Call(db.query, "open");
  EXPECT_EQ(Field(db.query, "c", "asinteger").AsInteger(), 101);
}

TEST_F(DatabaseTest, ExecSqlRunsEveryStatementOfAScript) {
  auto db = Connect();
  TValue sql = Get(db.query, "sql");
  Call(sql, "add", {Str("CREATE TABLE a (n INTEGER);")});
  Call(sql, "add", {Str("CREATE TABLE b (n INTEGER);")});
  Call(sql, "add", {Str("INSERT INTO a VALUES (:n); INSERT INTO b VALUES (:n), (:n);")});
  EXPECT_EQ(Get(sql, "count").AsInteger(), 3);
  EXPECT_EQ(Get(sql, "strings", {Int(1)}).AsString(), "CREATE TABLE b (n INTEGER);");
  Param(db.query, "n", "asinteger", Int(9));
  Call(db.query, "execsql");
  EXPECT_EQ(Get(db.query, "rowsaffected").AsInteger(), 3);
  Call(sql, "clear");
  EXPECT_EQ(Get(sql, "text").AsString(), "");
  EXPECT_EQ(Count(db.query, "b"), 2);
}

TEST_F(DatabaseTest, FieldConversions) {
  auto db = Connect();
  Sql(db.query, "SELECT '42' AS t, 'abc' AS bad, 2.5 AS r, 1 AS one, 'true' AS yes");
  Call(db.query, "open");
  EXPECT_EQ(Field(db.query, "t", "asinteger").AsInteger(), 42);
  EXPECT_DOUBLE_EQ(Field(db.query, "t", "asfloat").AsFloat(), 42);
  EXPECT_EQ(Field(db.query, "r", "asstring").AsString(), "2.5");
  EXPECT_TRUE(Field(db.query, "one", "asboolean").AsBoolean());
  EXPECT_TRUE(Field(db.query, "yes", "asboolean").AsBoolean());
  EXPECT_EQ(Field(db.query, "t", "value").Kind(), TValueKind::kString);
  EXPECT_EQ(Field(db.query, "one", "value").Kind(), TValueKind::kInteger);
  ExpectError([&] { Field(db.query, "bad", "asinteger"); }, TErrorCode::kConversion, "\"abc\"");
  ExpectError([&] { Field(db.query, "bad", "asboolean"); }, TErrorCode::kConversion, "\"abc\"");
}

TEST_F(DatabaseTest, ErrorsAreDatabaseErrorsWithTheSqliteMessage) {
  auto db = Connect();
  Exec(db.query, "CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT NOT NULL)");
  std::ofstream(dir_ / "notes.txt") << "this is not a database, it is a text file long enough to have a header";
  struct TCase {
    const char* name;
    std::function<void()> action;
    const char* text;
  };
  const std::vector<TCase> cases = {
      {"syntax", [&] { Exec(db.query, "SELEC 1"); }, "syntax error"},
      {"no table", [&] { Exec(db.query, "INSERT INTO missing VALUES (1)"); }, "no such table: missing"},
      {"constraint", [&] { Exec(db.query, "INSERT INTO t (v) VALUES (NULL)"); }, "NOT NULL constraint failed: t.v"},
      {"unknown param", [&] { Sql(db.query, "SELECT :a"); Call(db.query, "parambyname", {Str("b")}); }, "Parameter \"b\" not found"},
      {"unknown field", [&] { Sql(db.query, "SELECT 1 AS a"); Call(db.query, "open"); Call(db.query, "fieldbyname", {Str("b")}); },
       "Field not found : \"b\""},
      {"not open", [&] { Call(db.query, "close"); Get(db.query, "eof"); }, "inactive dataset"},
      {"next when closed", [&] { Call(db.query, "close"); Call(db.query, "next"); }, "inactive dataset"},
      {"open a non-select", [&] { Sql(db.query, "DELETE FROM t"); Call(db.query, "open"); }, "non-select"},
      {"empty sql", [&] { Sql(db.query, " -- nothing\n"); Call(db.query, "execsql"); }, "No SQL statement"},
      {"no database", [&] { TValue q = Create("tsqlquery"); Sql(q, "SELECT 1"); Call(q, "open"); }, "Database not assigned"},
      {"no name", [&] { Call(Create("tsqlite3connection"), "open"); }, "Database name is empty"},
      {"missing folder",
       [&] {
         TValue c = Create("tsqlite3connection");
         Set(c, "databasename", Str((dir_ / "no" / "such" / "x.db").string()));
         Call(c, "open");
       },
       "unable to open database file"},
      {"not a database",
       [&] {
         TValue c = Create("tsqlite3connection");
         Set(c, "databasename", Str((dir_ / "notes.txt").string()));
         Call(c, "open");
       },
       "file is not a database"},
      {"rename while open", [&] { Set(db.connection, "databasename", Str("other.db")); }, "open connection"},
      {"start twice", [&] { Call(db.transaction, "starttransaction"); Call(db.transaction, "starttransaction"); }, "already active"},
      {"transaction without database", [&] { Call(Create("tsqltransaction"), "starttransaction"); }, "Database not assigned"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectError(c.action, TErrorCode::kDatabase, c.text);
  }
  EXPECT_EQ(TScriptError(TErrorCode::kDatabase, "x", 1, 1, true).ExceptionClass(), "EDatabaseError");
}

TEST_F(DatabaseTest, ASecondWriterWaitsForTheFirstInsteadOfFailing) {
  auto first = Connect();
  Exec(first.query, "CREATE TABLE t (n INTEGER)");
  Call(first.transaction, "commit");
  auto second = Connect();
  Exec(first.query, "INSERT INTO t VALUES (1)");  // holds the write lock until its commit
  std::thread committer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Call(first.transaction, "commit");
  });
  Exec(second.query, "INSERT INTO t VALUES (2)");
  Call(second.transaction, "commit");
  committer.join();
  EXPECT_EQ(Count(second.query, "t"), 2);
}

TEST_F(DatabaseTest, TransactionAndDatabaseLinkLikeSqldb) {
  TValue connection = Create("tsqlite3connection");
  TValue transaction = Create("tsqltransaction");
  Set(connection, "databasename", Str(path_));
  Set(connection, "transaction", transaction);
  EXPECT_EQ(Get(Get(transaction, "database"), "databasename").AsString(), path_);
  TValue query = Create("tsqlquery");
  Set(query, "database", connection);  // takes the connection's transaction
  EXPECT_EQ(Get(query, "transaction").AsObject(), transaction.AsObject());
  Exec(query, "CREATE TABLE t (n INTEGER)");  // opens the connection on first use
  EXPECT_TRUE(Get(connection, "connected").AsBoolean());
  EXPECT_TRUE(Get(transaction, "active").AsBoolean());
  Call(transaction, "starttransaction");  // takes over the one the statement started
  EXPECT_TRUE(Get(transaction, "active").AsBoolean());

  // A transaction given its database the other way round.
  TValue second = Create("tsqltransaction");
  Set(second, "database", connection);
  EXPECT_EQ(Get(second, "database").AsObject(), connection.AsObject());
  Call(second, "rollback");
  EXPECT_FALSE(Get(transaction, "active").AsBoolean());
}

TEST_F(DatabaseTest, ConstructorsTakeAnOptionalOwner) {
  for (const char* name : {"tsqlite3connection", "tsqltransaction", "tsqlquery"}) {
    EXPECT_NO_THROW(classes_[name]({}));
    EXPECT_THROW(classes_[name]({Int(1)}), TBuiltinError);
  }
  EXPECT_EQ(Native(Create("tsqlquery")).ClassName(), "TSQLQuery");
}

TEST(DatabaseUnitsTest, TheSqldbUnitsNeedNoFile) {
  auto outcome = testing::RunProgram("uses DB, SQLDB, SQLite3Conn; begin WriteLn('ok'); end.");
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "ok\n");
}

TEST(SqlScanTest, FindsNamedParametersOutsideLiteralsAndComments) {
  struct TCase {
    const char* sql;
    std::vector<std::string> names;
  };
  const TCase cases[] = {
      {"SELECT * FROM t WHERE a = :a AND b = :B2 OR a = :A", {"a", "B2"}},
      {"SELECT ':x', \":y\", [:z], `:w` FROM t WHERE c = :c", {"c"}},
      {"SELECT 1 -- :gone\n, :here /* :gone too */", {"here"}},
      {"SELECT 'it''s :not' || :yes", {"yes"}},
      {"SELECT '12:30', :_under_score, :näme", {"_under_score", "näme"}},
      {"SELECT ?, @at, $dollar, : spaced", {}},
      {"SELECT 'unterminated :x", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(sqlite::SqlParameterNames(c.sql), c.names) << c.sql;
  EXPECT_TRUE(sqlite::IsBlankSql(" ;\n-- c\n/* d */;"));
  EXPECT_FALSE(sqlite::IsBlankSql("-- c\nSELECT 1"));
  EXPECT_EQ(sqlite::FirstKeyword("  /* x */ -- y\n BEGIN IMMEDIATE"), "begin");
}

}  // namespace
}  // namespace varnelo::pascal
