#include "pascal/sqlite_field.h"

#include <set>

#include "pascal/sqlite_support.h"

namespace varnelo::pascal {

using namespace sqlite;

TValue TField::Current() const {
  if (!rows_->open) DatabaseError("Operation cannot be performed on an inactive dataset");
  return rows_->Current(column_);
}

bool TField::HasMember(const std::string& name) const {
  static const std::set<std::string> kMembers = {
      "asboolean", "asfloat", "asinteger", "aslargeint", "asstring", "displayname",
      "displaytext", "fieldname", "fieldno", "index", "isnull", "text",
      "value"};
  return kMembers.count(name) > 0;
}

std::optional<TValue> TField::GetProperty(const std::string& name, const std::vector<TValue>& indexes) {
  if (!indexes.empty()) return std::nullopt;
  if (name == "fieldname" || name == "displayname") return TValue::String(rows_->columns[column_]);
  if (name == "index") return TValue::Integer(static_cast<int64_t>(column_));
  if (name == "fieldno") return TValue::Integer(static_cast<int64_t>(column_) + 1);
  if (name == "isnull") return TValue::Boolean(Current().Kind() == TValueKind::kNull);
  if (name == "value") return ValueAsVariant(Current());
  if (name == "asstring" || name == "text" || name == "displaytext") return TValue::String(ValueAsString(Current()));
  if (name == "asinteger" || name == "aslargeint") return TValue::Integer(ValueAsInteger(Current()));
  if (name == "asfloat") return TValue::Float(ValueAsFloat(Current()));
  if (name == "asboolean") return TValue::Boolean(ValueAsBoolean(Current()));
  return std::nullopt;
}

std::optional<TValue> TField::CallMethod(const std::string& name, const std::vector<TValue>& args) {
  if (args.empty()) return GetProperty(name, {});
  return std::nullopt;
}

}  // namespace varnelo::pascal
