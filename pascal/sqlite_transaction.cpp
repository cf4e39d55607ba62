#include "pascal/sqlite_transaction.h"

#include <set>

#include "pascal/builtin_support.h"
#include "pascal/sqlite_connection.h"
#include "pascal/sqlite_support.h"

namespace varnelo::pascal {

using namespace sqlite;

void TSQLTransaction::LinkConnection(std::weak_ptr<TSQLite3Connection> connection) {
  connection_ = std::move(connection);
  auto object = databaseObject_.lock();
  if (!object || object->native != connection_.lock()) databaseObject_.reset();
}

TSQLite3Connection& TSQLTransaction::RequireConnection() const {
  auto connection = Connection();
  if (!connection) DatabaseError("Database not assigned");
  return *connection;
}

TValue TSQLTransaction::DatabaseObject() const {
  auto connection = Connection();
  if (!connection) return TValue::Object(nullptr);
  if (auto object = databaseObject_.lock(); object && object->native == connection) return TValue::Object(object);
  return NativeValue(connection);
}

bool TSQLTransaction::HasMember(const std::string& name) const {
  static const std::set<std::string> kMembers = {
      "active", "commit", "commitretaining", "database", "destroy", "free",
      "rollback", "rollbackretaining", "starttransaction"};
  return kMembers.count(name) > 0;
}

std::optional<TValue> TSQLTransaction::GetProperty(const std::string& name, const std::vector<TValue>& indexes) {
  if (!indexes.empty()) return std::nullopt;
  if (name == "database") return DatabaseObject();
  if (name == "active") {
    auto connection = Connection();
    return TValue::Boolean(connection && connection->InTransaction());
  }
  return std::nullopt;
}

bool TSQLTransaction::SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) {
  if (!indexes.empty()) return false;
  if (name == "database") {
    auto connection = NativeOf<TSQLite3Connection>(value);
    if (!connection && value.Kind() == TValueKind::kObject && value.AsObject())
      TypeError("DataBase expects a TSQLite3Connection");
    connection_ = connection;
    databaseObject_ = connection ? value.AsObject() : nullptr;
    return true;
  }
  if (name == "active") {
    if (value.Kind() != TValueKind::kBoolean) TypeError("Active expects a boolean");
    bool active = GetProperty("active", {})->AsBoolean();
    if (value.AsBoolean() && !active) RequireConnection().StartTransaction();
    if (!value.AsBoolean() && active) RequireConnection().Rollback(false);
    return true;
  }
  return false;
}

std::optional<TValue> TSQLTransaction::CallMethod(const std::string& name, const std::vector<TValue>& args) {
  if (name == "starttransaction") {
    builtin::Count(args, 0, 0, "StartTransaction");
    RequireConnection().StartTransaction();
    return TValue();
  }
  if (name == "commit" || name == "commitretaining") {
    builtin::Count(args, 0, 0, name == "commit" ? "Commit" : "CommitRetaining");
    RequireConnection().Commit(name == "commitretaining");
    return TValue();
  }
  if (name == "rollback" || name == "rollbackretaining") {
    builtin::Count(args, 0, 0, name == "rollback" ? "Rollback" : "RollbackRetaining");
    RequireConnection().Rollback(name == "rollbackretaining");
    return TValue();
  }
  if (name == "free" || name == "destroy") {
    builtin::Count(args, 0, 0, "Free");
    // Freeing an active transaction ends it the SQLdb way: what was not committed is rolled back.
    if (auto connection = Connection()) connection->Rollback(false);
    return TValue();
  }
  if (args.empty()) return GetProperty(name, {});
  return std::nullopt;
}

}  // namespace varnelo::pascal

