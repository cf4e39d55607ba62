#include "pascal/sqlite_connection.h"

#include <set>

#include <sqlite3.h>

#include "pascal/builtin_support.h"
#include "pascal/sqlite_query.h"
#include "pascal/sqlite_sql_scan.h"
#include "pascal/sqlite_support.h"
#include "pascal/sqlite_transaction.h"

namespace varnelo::pascal {

using namespace sqlite;

namespace {

// Bounds what one query may hold in memory, so a careless SELECT cannot exhaust it.
constexpr size_t kMaxResultBytes = 512u * 1024 * 1024;

struct TFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using TStatement = std::unique_ptr<sqlite3_stmt, TFinalizer>;

// Statements that SQLite refuses inside a transaction, or that manage transactions themselves.
bool RunsOutsideTransaction(const char* sql) {
  static const char* const kKeywords[] = {"begin", "commit", "end", "rollback", "savepoint", "release",
                                          "vacuum", "attach", "detach", "pragma"};
  std::string keyword = FirstKeyword(sql);
  for (const char* known : kKeywords)
    if (keyword == known) return true;
  return false;
}

void Bind(sqlite3* db, sqlite3_stmt* statement, const TSQLite3Connection::TParamLookup& params) {
  int count = sqlite3_bind_parameter_count(statement);
  for (int i = 1; i <= count; ++i) {
    const char* name = sqlite3_bind_parameter_name(statement, i);
    if (!name || name[0] != ':' || !params) continue;
    auto value = params(name + 1);
    if (!value) continue;
    int rc = SQLITE_OK;
    switch (value->Kind()) {
      case TValueKind::kInteger: case TValueKind::kBoolean: rc = sqlite3_bind_int64(statement, i, value->AsInteger()); break;
      case TValueKind::kFloat: rc = sqlite3_bind_double(statement, i, value->AsFloat()); break;
      case TValueKind::kString:
        rc = sqlite3_bind_text64(statement, i, value->AsString().data(), value->AsString().size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
        break;
      default: rc = sqlite3_bind_null(statement, i); break;
    }
    if (rc != SQLITE_OK) DatabaseError(sqlite3_errmsg(db));
  }
}

std::shared_ptr<TResultSet> EmptyRows(sqlite3_stmt* statement) {
  auto rows = std::make_shared<TResultSet>();
  int columns = sqlite3_column_count(statement);
  for (int i = 0; i < columns; ++i) {
    const char* name = sqlite3_column_name(statement, i);
    rows->columns.push_back(name ? name : "");
  }
  return rows;
}

// Appends the current row; returns the bytes it holds.
size_t AppendRow(sqlite3_stmt* statement, TResultSet& rows) {
  size_t bytes = 0;
  for (size_t i = 0; i < rows.columns.size(); ++i) {
    int column = static_cast<int>(i);
    switch (sqlite3_column_type(statement, column)) {
      case SQLITE_INTEGER: rows.cells.emplace_back(static_cast<int64_t>(sqlite3_column_int64(statement, column))); break;
      case SQLITE_FLOAT: rows.cells.emplace_back(sqlite3_column_double(statement, column)); break;
      case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        size_t size = static_cast<size_t>(sqlite3_column_bytes(statement, column));
        rows.cells.emplace_back(std::string(text ? text : "", size));
        bytes += size;
        break;
      }
      case SQLITE_BLOB: {
        const auto* blob = static_cast<const char*>(sqlite3_column_blob(statement, column));
        size_t size = static_cast<size_t>(sqlite3_column_bytes(statement, column));
        rows.cells.emplace_back(blob ? std::string(blob, size) : std::string());
        bytes += size;
        break;
      }
      default: rows.cells.emplace_back(std::monostate{}); break;
    }
    bytes += sizeof(TCellValue);
  }
  ++rows.rowCount;
  return bytes;
}

}  // namespace

void TSQLite3Connection::TCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

TSQLite3Connection::TSQLite3Connection() = default;

TSQLite3Connection::~TSQLite3Connection() = default;

void TSQLite3Connection::Open() {
  if (db_) return;
  if (databaseName_.empty()) DatabaseError("Database name is empty");
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(databaseName_.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::unique_ptr<sqlite3, TCloser> db(raw);
  auto fail = [&](int code) {
    DatabaseError("Cannot open database \"" + databaseName_ + "\": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(code)));
  };
  if (rc != SQLITE_OK) fail(rc);
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  // SQLite reads the file only when first needed: read its schema now so a file that is not a
  // database fails here rather than at the first query.
  rc = sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) fail(rc);
  db_ = std::move(db);
}

void TSQLite3Connection::Close() {
  CloseQueries();
  db_.reset();
  startedExplicitly_ = false;
}

void TSQLite3Connection::CloseQueries() {
  auto queries = std::move(queries_);
  queries_.clear();
  for (const auto& weak : queries)
    if (auto query = weak.lock()) query->Close();
}

void TSQLite3Connection::AttachQuery(std::weak_ptr<TSQLQuery> query) {
  std::erase_if(queries_, [](const std::weak_ptr<TSQLQuery>& known) { return known.expired(); });
  queries_.push_back(std::move(query));
}

void TSQLite3Connection::SetTransactionObject(const TValue& transaction) {
  auto native = NativeOf<TSQLTransaction>(transaction);
  if (transaction.Kind() == TValueKind::kObject && transaction.AsObject() && !native)
    TypeError("Transaction expects a TSQLTransaction");
  transaction_ = native ? transaction : TValue::Object(nullptr);
  // As in SQLdb, the transaction named here belongs to this database from now on.
  if (native) native->LinkConnection(weak_from_this());
}

bool TSQLite3Connection::InTransaction() const { return db_ && !sqlite3_get_autocommit(db_.get()); }

void TSQLite3Connection::Execute(const char* sql) {
  char* message = nullptr;
  int rc = sqlite3_exec(db_.get(), sql, nullptr, nullptr, &message);
  std::unique_ptr<char, decltype(&sqlite3_free)> owned(message, &sqlite3_free);
  if (rc != SQLITE_OK) DatabaseError(message ? message : sqlite3_errstr(rc));
}

void TSQLite3Connection::StartTransaction() {
  Open();
  // One that a statement started is taken over as is: it is the same transaction to SQLite.
  if (InTransaction() && startedExplicitly_) DatabaseError("Transaction already active");
  if (!InTransaction()) Execute(kBegin);
  startedExplicitly_ = true;
}

void TSQLite3Connection::End(const char* how, bool retaining) {
  if (!InTransaction()) return;
  if (!retaining) CloseQueries();
  startedExplicitly_ = false;
  Execute(how);
  // Retaining keeps a transaction open, as SQLdb does.
  if (retaining) Execute(kBegin);
}

void TSQLite3Connection::Commit(bool retaining) { End("COMMIT", retaining); }

void TSQLite3Connection::Rollback(bool retaining) { End("ROLLBACK", retaining); }

TSQLite3Connection::TRunResult TSQLite3Connection::Run(const std::string& sql, const TParamLookup& params, bool wantRows,
                                                       bool inTransaction) {
  if (IsBlankSql(sql)) DatabaseError("No SQL statement given");
  Open();
  sqlite3* db = db_.get();
  TRunResult result;
  const char* next = sql.c_str();
  const char* end = next + sql.size();
  while (next < end) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db, next, static_cast<int>(end - next), &raw, &tail);
    TStatement statement(raw);
    if (rc != SQLITE_OK) DatabaseError(sqlite3_errmsg(db));
    next = tail ? tail : end;
    if (!raw) continue;  // only blanks or a comment
    bool gives = sqlite3_column_count(raw) > 0;
    if (wantRows && !gives && IsBlankSql(std::string_view(next, static_cast<size_t>(end - next))))
      DatabaseError("Cannot open a non-select statement");
    Bind(db, raw, params);
    if (inTransaction && sqlite3_get_autocommit(db) && !RunsOutsideTransaction(sqlite3_sql(raw))) {
      Execute(kBegin);
      startedExplicitly_ = false;
    }
    auto rows = gives ? EmptyRows(raw) : nullptr;
    size_t bytes = 0;
    int64_t changesBefore = sqlite3_total_changes64(db);
    for (;;) {
      rc = sqlite3_step(raw);
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) DatabaseError(sqlite3_errmsg(db));
      if (!rows) continue;
      bytes += AppendRow(raw, *rows);
      if (bytes > kMaxResultBytes) DatabaseError("The result of the query is too large to hold in memory");
    }
    // sqlite3_changes keeps the count of the last data change, so count it only when this one changed rows.
    if (sqlite3_total_changes64(db) != changesBefore) result.rowsAffected += sqlite3_changes64(db);
    if (rows) {
      rows->eof = rows->rowCount == 0;
      result.rows = std::move(rows);
    }
  }
  return result;
}

bool TSQLite3Connection::HasMember(const std::string& name) const {
  static const std::set<std::string> kMembers = {
      "close", "connected", "databasename", "destroy", "executedirect", "free",
      "getinsertid", "lastinsertrowid", "open", "transaction"};
  return kMembers.count(name) > 0;
}

std::optional<TValue> TSQLite3Connection::GetProperty(const std::string& name, const std::vector<TValue>& indexes) {
  if (!indexes.empty()) return std::nullopt;
  if (name == "databasename") return TValue::String(databaseName_);
  if (name == "connected") return TValue::Boolean(Connected());
  if (name == "transaction") return transaction_;
  return std::nullopt;
}

bool TSQLite3Connection::SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) {
  if (!indexes.empty()) return false;
  if (name == "databasename") {
    if (value.Kind() != TValueKind::kString) TypeError("DatabaseName expects a string");
    if (Connected() && value.AsString() != databaseName_)
      DatabaseError("Cannot change the database name of an open connection");
    databaseName_ = value.AsString();
    return true;
  }
  if (name == "connected") {
    if (value.Kind() != TValueKind::kBoolean) TypeError("Connected expects a boolean");
    if (value.AsBoolean()) Open();
    else Close();
    return true;
  }
  if (name == "transaction") {
    SetTransactionObject(value);
    return true;
  }
  return false;
}

std::optional<TValue> TSQLite3Connection::CallMethod(const std::string& name, const std::vector<TValue>& args) {
  if (name == "open" || name == "close" || name == "free" || name == "destroy") {
    builtin::Count(args, 0, 0, name);
    if (name == "open") Open();
    else Close();
    return TValue();
  }
  if (name == "executedirect") {
    builtin::Count(args, 1, 1, "ExecuteDirect");
    if (args[0].Kind() != TValueKind::kString) TypeError("ExecuteDirect expects a string");
    Run(args[0].AsString(), nullptr, false, NativeOf<TSQLTransaction>(transaction_) != nullptr);
    return TValue();
  }
  if (name == "getinsertid" || name == "lastinsertrowid") {
    builtin::Count(args, 0, 0, name == "getinsertid" ? "GetInsertID" : "LastInsertRowID");
    return TValue::Integer(db_ ? sqlite3_last_insert_rowid(db_.get()) : 0);
  }
  if (args.empty()) return GetProperty(name, {});
  return std::nullopt;
}

}  // namespace varnelo::pascal
