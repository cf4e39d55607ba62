#include "pascal/sqlite_param.h"

#include <set>

#include "pascal/builtin_support.h"
#include "pascal/sqlite_support.h"

namespace varnelo::pascal {

using namespace sqlite;

bool TDbParam::HasMember(const std::string& name) const {
  static const std::set<std::string> kMembers = {
      "asboolean", "asfloat", "asinteger", "aslargeint", "asstring", "clear",
      "isnull", "name", "value"};
  return kMembers.count(name) > 0;
}

std::optional<TValue> TDbParam::GetProperty(const std::string& name, const std::vector<TValue>& indexes) {
  if (!indexes.empty()) return std::nullopt;
  if (name == "name") return TValue::String(name_);
  if (name == "isnull") return TValue::Boolean(value_.Kind() == TValueKind::kNull);
  if (name == "value") return ValueAsVariant(value_);
  if (name == "asstring") return TValue::String(ValueAsString(value_));
  if (name == "asinteger" || name == "aslargeint") return TValue::Integer(ValueAsInteger(value_));
  if (name == "asfloat") return TValue::Float(ValueAsFloat(value_));
  if (name == "asboolean") return TValue::Boolean(ValueAsBoolean(value_));
  return std::nullopt;
}

bool TDbParam::SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) {
  if (!indexes.empty()) return false;
  auto expect = [&](bool ok, const char* type) {
    if (!ok) TypeError("Parameter \"" + name_ + "\": " + type + " expected");
  };
  if (name == "asstring") {
    expect(value.Kind() == TValueKind::kString, "String");
  } else if (name == "asinteger" || name == "aslargeint") {
    expect(value.Kind() == TValueKind::kInteger, "Integer");
  } else if (name == "asfloat") {
    expect(value.IsNumeric(), "Double");
    value_ = TValue::Float(value.AsFloat());
    return true;
  } else if (name == "asboolean") {
    expect(value.Kind() == TValueKind::kBoolean, "Boolean");
  } else if (name == "value") {
    auto kind = value.Kind();
    expect(kind == TValueKind::kEmpty || kind == TValueKind::kNull || kind == TValueKind::kInteger ||
               kind == TValueKind::kFloat || kind == TValueKind::kString || kind == TValueKind::kBoolean,
           "a simple value");
    value_ = ValueAsVariant(value);
    return true;
  } else {
    return false;
  }
  value_ = value;
  return true;
}

std::optional<TValue> TDbParam::CallMethod(const std::string& name, const std::vector<TValue>& args) {
  if (name == "clear") {
    builtin::Count(args, 0, 0, "Clear");
    value_ = TValue::Null();
    return TValue();
  }
  if (args.empty()) return GetProperty(name, {});
  return std::nullopt;
}

}  // namespace varnelo::pascal
