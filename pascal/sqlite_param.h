#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pascal/native_object.h"

namespace varnelo::pascal {

// A ":name" parameter of a query (TDbParam). Unassigned or cleared, it binds as SQL NULL.
// A query parameter; scripts know it as TParam (the name is taken here by routine parameters).
class TDbParam : public TNativeObject {
 public:
  explicit TDbParam(std::string name) : name_(std::move(name)) {}

  std::string ClassName() const override { return "TParam"; }
  bool HasMember(const std::string& name) const override;
  std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) override;
  bool SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) override;
  std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) override;

  const std::string& Name() const { return name_; }
  // The value to bind: Null, Integer, Float, String or Boolean.
  const TValue& Value() const { return value_; }

 private:
  std::string name_;
  TValue value_ = TValue::Null();
};

}  // namespace varnelo::pascal
