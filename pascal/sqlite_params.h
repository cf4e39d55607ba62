#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pascal/native_object.h"
#include "pascal/sqlite_param.h"

namespace varnelo::pascal {

// The parameters of a query (TParams): one per ":name" of its SQL, found again whenever the SQL text
// changes. A parameter that stays keeps its value.
class TParams : public TNativeObject {
 public:
  // `sqlStrings` is the query's SQL object, read through its Text property.
  explicit TParams(TValue sqlStrings) : sql_(std::move(sqlStrings)) {}

  std::string ClassName() const override { return "TParams"; }
  bool HasMember(const std::string& name) const override;
  std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) override;
  bool SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) override;
  std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) override;
  std::string DefaultProperty() const override { return "items"; }

  // The parameter object of `name` (without regard to case); EDatabaseError when there is none.
  TValue ParamByName(const std::string& name);
  // The value to bind for `name`; nullopt when the SQL has no such parameter.
  std::optional<TValue> ValueOf(const std::string& name);

 private:
  void Refresh();
  std::optional<size_t> Find(const std::string& name);
  size_t IndexArgument(const std::vector<TValue>& indexes);

  TValue sql_;
  std::optional<std::string> parsedText_;
  std::vector<std::shared_ptr<TDbParam>> params_;
  std::vector<TValue> objects_;  // the script's view of params_, so a parameter keeps its identity
};

}  // namespace varnelo::pascal
