#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pascal/native_object.h"
#include "pascal/sqlite_result_set.h"

struct sqlite3;

namespace varnelo::pascal {

class TSQLQuery;
class TSQLTransaction;

// A connection to an SQLite database file (TSQLite3Connection). It opens on Open, or on first use by
// a query, creating the file when missing. A statement run while a transaction object is assigned
// starts a transaction when none is active, as SQLdb does; it then lasts until Commit or Rollback,
// and closing the connection rolls back what was not committed. Without a transaction object every
// statement commits on its own.
class TSQLite3Connection : public TNativeObject, public std::enable_shared_from_this<TSQLite3Connection> {
 public:
  // Lets a second writer wait for the first instead of failing at once.
  static constexpr int kBusyTimeoutMs = 5000;
  // Transactions take the write lock when they begin, waiting for it as long as the busy time-out
  // allows. A deferred one that has read would have to upgrade its lock later, and SQLite refuses that
  // upgrade at once ("database is locked") when another connection writes: scripts of several robot
  // workers storing into one database would lose rows.
  static constexpr const char* kBegin = "BEGIN IMMEDIATE";

  TSQLite3Connection();
  ~TSQLite3Connection() override;

  std::string ClassName() const override { return "TSQLite3Connection"; }
  bool HasMember(const std::string& name) const override;
  std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) override;
  bool SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) override;
  std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) override;

  void Open();
  // Closes the open queries and the database; an uncommitted transaction is rolled back.
  void Close();
  bool Connected() const { return db_ != nullptr; }

  // The TSQLTransaction object assigned (nil object when none).
  const TValue& TransactionObject() const { return transaction_; }
  void SetTransactionObject(const TValue& transaction);

  bool InTransaction() const;
  // Raises when StartTransaction already started the active one.
  void StartTransaction();
  // Commit and Rollback close the open queries unless `retaining`; both do nothing without a transaction.
  void Commit(bool retaining);
  void Rollback(bool retaining);

  using TParamLookup = std::function<std::optional<TValue>(const std::string& name)>;
  struct TRunResult {
    std::shared_ptr<TResultSet> rows;  // those of the last statement that gives rows
    int64_t rowsAffected = 0;
  };
  // Runs every statement of `sql`, binding each ":name" to what `params` gives (NULL when nothing).
  // `wantRows` refuses a last statement that gives no rows, before running it. `inTransaction`
  // starts a transaction first when none is active.
  TRunResult Run(const std::string& sql, const TParamLookup& params, bool wantRows, bool inTransaction);

  // A query that opened on this connection, to be closed with it.
  void AttachQuery(std::weak_ptr<TSQLQuery> query);

 private:
  struct TCloser {
    void operator()(sqlite3* db) const;
  };

  void Execute(const char* sql);
  void End(const char* how, bool retaining);
  void CloseQueries();

  std::string databaseName_;
  std::unique_ptr<sqlite3, TCloser> db_;
  TValue transaction_ = TValue::Object(nullptr);
  std::vector<std::weak_ptr<TSQLQuery>> queries_;
  bool startedExplicitly_ = false;  // by StartTransaction rather than by a statement
};

}  // namespace varnelo::pascal
