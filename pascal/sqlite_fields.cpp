#include "pascal/sqlite_fields.h"

#include <set>

#include "pascal/builtin_support.h"
#include "pascal/builtins.h"
#include "pascal/sqlite_query.h"
#include "pascal/sqlite_support.h"

namespace varnelo::pascal {

using namespace sqlite;

TSQLQuery& TFields::Query() const {
  auto query = query_.lock();
  if (!query) DatabaseError("The query of these fields no longer exists");
  return *query;
}

bool TFields::HasMember(const std::string& name) const {
  static const std::set<std::string> kMembers = {
      "count", "fieldbyname", "fields", "findfield"};
  return kMembers.count(name) > 0;
}

std::optional<TValue> TFields::GetProperty(const std::string& name, const std::vector<TValue>& indexes) {
  if (name == "count" && indexes.empty()) return TValue::Integer(static_cast<int64_t>(Query().FieldCount()));
  if (name == "fields") {
    if (indexes.size() != 1 || indexes[0].Kind() != TValueKind::kInteger) TypeError("Fields expects one integer index");
    int64_t index = indexes[0].AsInteger();
    if (index < 0 || index >= static_cast<int64_t>(Query().FieldCount()))
      throw TBuiltinError(TErrorCode::kRangeError, "List index (" + std::to_string(index) + ") out of bounds");
    return Query().Field(static_cast<size_t>(index));
  }
  return std::nullopt;
}

std::optional<TValue> TFields::CallMethod(const std::string& name, const std::vector<TValue>& args) {
  if (name == "fieldbyname" || name == "findfield") {
    builtin::Count(args, 1, 1, name == "fieldbyname" ? "FieldByName" : "FindField");
    if (args[0].Kind() != TValueKind::kString) TypeError("A field name expected");
    if (name == "fieldbyname") return Query().FieldByName(args[0].AsString());
    return Query().FindField(args[0].AsString()).value_or(TValue::Object(nullptr));
  }
  if (name == "count" && args.empty()) return GetProperty(name, {});
  return std::nullopt;
}

}  // namespace varnelo::pascal
