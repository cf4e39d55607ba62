#include "pascal/sqlite_query.h"

#include <set>

#include "pascal/builtin_support.h"
#include "pascal/builtins.h"
#include "pascal/sqlite_connection.h"
#include "pascal/sqlite_field.h"
#include "pascal/sqlite_fields.h"
#include "pascal/string_list.h"
#include "pascal/sqlite_support.h"
#include "pascal/sqlite_transaction.h"

namespace varnelo::pascal {

using namespace sqlite;

TSQLQuery::TSQLQuery() : sql_(NativeValue(std::make_shared<TStringList>())) {
  params_ = std::make_shared<TParams>(sql_);
  paramsObject_ = NativeValue(params_);
}

std::shared_ptr<TSQLite3Connection> TSQLQuery::Connection() const {
  if (auto connection = NativeOf<TSQLite3Connection>(database_)) return connection;
  if (auto transaction = NativeOf<TSQLTransaction>(transaction_)) return transaction->Connection();
  return nullptr;
}

bool TSQLQuery::UsesTransaction() const {
  if (NativeOf<TSQLTransaction>(transaction_)) return true;
  auto connection = NativeOf<TSQLite3Connection>(database_);
  return connection && NativeOf<TSQLTransaction>(connection->TransactionObject());
}

void TSQLQuery::SetDatabase(const TValue& value) {
  auto connection = NativeOf<TSQLite3Connection>(value);
  if (!connection && value.Kind() == TValueKind::kObject && value.AsObject())
    TypeError("DataBase expects a TSQLite3Connection");
  Close();
  database_ = connection ? value : TValue::Object(nullptr);
  // As in SQLdb, the query takes the database's transaction when it has none.
  if (connection && !NativeOf<TSQLTransaction>(transaction_)) transaction_ = connection->TransactionObject();
}

void TSQLQuery::SetTransaction(const TValue& value) {
  auto transaction = NativeOf<TSQLTransaction>(value);
  if (!transaction && value.Kind() == TValueKind::kObject && value.AsObject())
    TypeError("Transaction expects a TSQLTransaction");
  transaction_ = transaction ? value : TValue::Object(nullptr);
}

TResultSet& TSQLQuery::Rows() {
  if (!rows_) DatabaseError("Operation cannot be performed on an inactive dataset");
  return *rows_;
}

void TSQLQuery::Open() {
  std::string text = TextOfStrings(sql_);
  // Open on an open query does nothing, unless its SQL changed since (SQLdb closes a query whose SQL changes).
  if (rows_ && text == openedSql_) return;
  Close();
  auto connection = Connection();
  if (!connection) DatabaseError("Database not assigned");
  auto lookup = [this](const std::string& name) { return params_->ValueOf(name); };
  auto result = connection->Run(text, lookup, true, UsesTransaction());
  rows_ = std::move(result.rows);
  openedSql_ = text;
  fieldObjects_.assign(rows_->columns.size(), TValue());
  connection->AttachQuery(weak_from_this());
}

void TSQLQuery::Close() {
  if (!rows_) return;
  rows_->open = false;
  rows_.reset();
  fieldObjects_.clear();
}

void TSQLQuery::ExecSQL() {
  auto connection = Connection();
  if (!connection) DatabaseError("Database not assigned");
  auto lookup = [this](const std::string& name) { return params_->ValueOf(name); };
  rowsAffected_ = connection->Run(TextOfStrings(sql_), lookup, false, UsesTransaction()).rowsAffected;
}

size_t TSQLQuery::FieldCount() { return Rows().columns.size(); }

TValue TSQLQuery::Field(size_t index) {
  Rows();
  if (index >= fieldObjects_.size())
    throw TBuiltinError(TErrorCode::kRangeError, "List index (" + std::to_string(index) + ") out of bounds");
  if (fieldObjects_[index].Kind() == TValueKind::kEmpty) fieldObjects_[index] = NativeValue(std::make_shared<TField>(rows_, index));
  return fieldObjects_[index];
}

std::optional<TValue> TSQLQuery::FindField(const std::string& name) {
  const auto& columns = Rows().columns;
  std::string lower = builtin::Lower(name);
  for (size_t i = 0; i < columns.size(); ++i)
    if (builtin::Lower(columns[i]) == lower) return Field(i);
  return std::nullopt;
}

TValue TSQLQuery::FieldByName(const std::string& name) {
  auto field = FindField(name);
  if (!field) DatabaseError("Field not found : \"" + name + "\"");
  return *field;
}

void TSQLQuery::Move(const std::string& how) {
  TResultSet& rows = Rows();
  bool empty = rows.rowCount == 0;
  if (how == "first") {
    rows.position = 0;
    rows.bof = true;
    rows.eof = empty;
  } else if (how == "last") {
    rows.position = empty ? 0 : rows.rowCount - 1;
    rows.bof = empty;
    rows.eof = true;
  } else if (how == "next") {
    if (!empty && rows.position + 1 < rows.rowCount) ++rows.position;
    else rows.eof = true;
    rows.bof = empty;
  } else {  // prior
    if (!empty && rows.position > 0) --rows.position;
    else rows.bof = true;
    rows.eof = empty;
  }
}

bool TSQLQuery::HasMember(const std::string& name) const {
  static const std::set<std::string> kMembers = {
      "active", "bof", "close", "database", "destroy", "eof",
      "execsql", "fieldbyname", "fieldcount", "fields", "fieldvalues", "findfield",
      "first", "free", "isempty", "last", "next", "open",
      "parambyname", "params", "prior", "recno", "recordcount", "rowsaffected",
      "sql", "transaction"};
  return kMembers.count(name) > 0;
}

std::optional<TValue> TSQLQuery::GetProperty(const std::string& name, const std::vector<TValue>& indexes) {
  if (name == "fields" && !indexes.empty()) {
    if (indexes.size() != 1 || indexes[0].Kind() != TValueKind::kInteger) TypeError("Fields expects one integer index");
    if (indexes[0].AsInteger() < 0) throw TBuiltinError(TErrorCode::kRangeError, "List index out of bounds");
    return Field(static_cast<size_t>(indexes[0].AsInteger()));
  }
  if (name == "params" && !indexes.empty())
    return params_->GetProperty("items", indexes);
  if (name == "fieldvalues") {
    if (indexes.size() != 1 || indexes[0].Kind() != TValueKind::kString) TypeError("FieldValues expects a field name");
    return FieldByName(indexes[0].AsString()).AsObject()->native->GetProperty("value", {});
  }
  if (!indexes.empty()) return std::nullopt;
  if (name == "database") return database_;
  if (name == "transaction") return transaction_;
  if (name == "sql") return sql_;
  if (name == "params") return paramsObject_;
  if (name == "fields") {
    if (fieldsObject_.Kind() == TValueKind::kEmpty) fieldsObject_ = NativeValue(std::make_shared<TFields>(weak_from_this()));
    return fieldsObject_;
  }
  if (name == "active") return TValue::Boolean(Active());
  if (name == "rowsaffected") return TValue::Integer(rowsAffected_);
  if (name == "eof") return TValue::Boolean(Rows().eof);
  if (name == "bof") return TValue::Boolean(Rows().bof);
  if (name == "recordcount") return TValue::Integer(static_cast<int64_t>(Rows().rowCount));
  if (name == "recno") return TValue::Integer(Rows().rowCount == 0 ? 0 : static_cast<int64_t>(rows_->position) + 1);
  if (name == "isempty") return TValue::Boolean(Rows().rowCount == 0);
  if (name == "fieldcount") return TValue::Integer(static_cast<int64_t>(FieldCount()));
  return std::nullopt;
}

bool TSQLQuery::SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) {
  if (!indexes.empty()) return false;
  if (name == "database") {
    SetDatabase(value);
    return true;
  }
  if (name == "transaction") {
    SetTransaction(value);
    return true;
  }
  if (name == "active") {
    if (value.Kind() != TValueKind::kBoolean) TypeError("Active expects a boolean");
    if (value.AsBoolean()) Open();
    else Close();
    return true;
  }
  if (name == "sql") {
    // Assigning a list copies its lines, as TStrings.Assign does.
    if (value.Kind() != TValueKind::kObject || !value.AsObject() || !value.AsObject()->native ||
        !value.AsObject()->native->GetProperty("text", {}))
      TypeError("SQL expects a string list");
    sql_.AsObject()->native->SetProperty("text", {}, TValue::String(TextOfStrings(value)));
    return true;
  }
  return false;
}

std::optional<TValue> TSQLQuery::CallMethod(const std::string& name, const std::vector<TValue>& args) {
  if (name == "open" || name == "close" || name == "execsql" || name == "free" || name == "destroy") {
    builtin::Count(args, 0, 0, name);
    if (name == "open") Open();
    else if (name == "execsql") ExecSQL();
    else Close();
    return TValue();
  }
  if (name == "next" || name == "prior" || name == "first" || name == "last") {
    builtin::Count(args, 0, 0, name);
    Move(name);
    return TValue();
  }
  if (name == "fieldbyname" || name == "findfield" || name == "parambyname") {
    builtin::Count(args, 1, 1, name);
    if (args[0].Kind() != TValueKind::kString) TypeError("A name expected");
    if (name == "parambyname") return params_->ParamByName(args[0].AsString());
    if (name == "fieldbyname") return FieldByName(args[0].AsString());
    return FindField(args[0].AsString()).value_or(TValue::Object(nullptr));
  }
  if (args.empty()) return GetProperty(name, {});
  return std::nullopt;
}

}  // namespace varnelo::pascal
