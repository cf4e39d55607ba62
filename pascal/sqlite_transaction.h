#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pascal/native_object.h"

namespace varnelo::pascal {

class TSQLite3Connection;

// The transaction of a connection (TSQLTransaction). SQLite has one transaction per connection, so
// this object starts, commits and rolls back its database's; Active tells whether one is open. It
// refers to its database weakly: the database refers to it, and must not be kept alive by it.
class TSQLTransaction : public TNativeObject {
 public:
  std::string ClassName() const override { return "TSQLTransaction"; }
  bool HasMember(const std::string& name) const override;
  std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) override;
  bool SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) override;
  std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) override;

  std::shared_ptr<TSQLite3Connection> Connection() const { return connection_.lock(); }
  // Links the database when it is the connection that names this transaction.
  void LinkConnection(std::weak_ptr<TSQLite3Connection> connection);

 private:
  TSQLite3Connection& RequireConnection() const;
  TValue DatabaseObject() const;

  std::weak_ptr<TSQLite3Connection> connection_;
  std::weak_ptr<TObjectData> databaseObject_;  // the script's object for it, when the script gave it
};

}  // namespace varnelo::pascal
