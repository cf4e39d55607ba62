#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pascal/native_object.h"

namespace varnelo::pascal {

// A ":name" parameter of a query (TParam). Unassigned or cleared, it binds as SQL NULL.
class TParam : public TNativeObject {
 public:
  explicit TParam(std::string name) : name_(std::move(name)) {}

  std::string ClassName() const override { return "TParam"; }
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
