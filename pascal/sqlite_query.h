#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pascal/native_object.h"
#include "pascal/sqlite_params.h"
#include "pascal/sqlite_result_set.h"

namespace varnelo::pascal {

class TSQLite3Connection;

// A query over a connection (TSQLQuery): Open runs its SQL and reads its rows, to be walked with
// First/Next/Eof and read with FieldByName; ExecSQL runs statements that give no rows. Parameters
// are bound by name, never pasted into the text. RecordCount is the number of rows of the open
// result, all of them, from the moment the query opens.
class TSQLQuery : public TNativeObject, public std::enable_shared_from_this<TSQLQuery> {
 public:
  TSQLQuery();

  std::string ClassName() const override { return "TSQLQuery"; }
  bool HasMember(const std::string& name) const override;
  std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) override;
  bool SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) override;
  std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) override;
  std::string DefaultProperty() const override { return "fieldvalues"; }

  void Open();
  void Close();
  void ExecSQL();
  bool Active() const { return rows_ != nullptr; }

  size_t FieldCount();
  TValue Field(size_t index);
  // Nullopt when the result has no such column (compared without regard to case).
  std::optional<TValue> FindField(const std::string& name);
  TValue FieldByName(const std::string& name);

 private:
  TResultSet& Rows();
  std::shared_ptr<TSQLite3Connection> Connection() const;
  bool UsesTransaction() const;
  void SetDatabase(const TValue& value);
  void SetTransaction(const TValue& value);
  void Move(const std::string& how);

  TValue database_ = TValue::Object(nullptr);
  TValue transaction_ = TValue::Object(nullptr);
  TValue sql_;
  std::shared_ptr<TParams> params_;
  TValue paramsObject_;
  TValue fieldsObject_;
  std::shared_ptr<TResultSet> rows_;  // null while closed
  std::string openedSql_;
  std::vector<TValue> fieldObjects_;  // one per column of rows_, made when first asked for
  int64_t rowsAffected_ = 0;
};

}  // namespace varnelo::pascal
