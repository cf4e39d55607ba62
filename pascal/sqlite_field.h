#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pascal/native_object.h"
#include "pascal/sqlite_result_set.h"

namespace varnelo::pascal {

// One column of an open query (TField); it reads the query's current row, and raises once the query
// it came from has closed.
class TField : public TNativeObject {
 public:
  TField(std::shared_ptr<TResultSet> rows, size_t column) : rows_(std::move(rows)), column_(column) {}

  std::string ClassName() const override { return "TField"; }
  bool HasMember(const std::string& name) const override;
  std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) override;
  bool SetProperty(const std::string&, const std::vector<TValue>&, const TValue&) override { return false; }
  std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) override;

 private:
  TValue Current() const;

  std::shared_ptr<TResultSet> rows_;
  size_t column_;
};

}  // namespace varnelo::pascal
