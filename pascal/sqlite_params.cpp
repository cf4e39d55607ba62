#include "pascal/sqlite_params.h"

#include <set>

#include "pascal/builtin_support.h"
#include "pascal/builtins.h"
#include "pascal/sqlite_sql_scan.h"
#include "pascal/sqlite_support.h"

namespace varnelo::pascal {

using namespace sqlite;

void TParams::Refresh() {
  std::string text = TextOfStrings(sql_);
  if (parsedText_ == text) return;
  std::vector<std::shared_ptr<TDbParam>> params;
  std::vector<TValue> objects;
  for (const auto& name : SqlParameterNames(text)) {
    if (auto old = Find(name)) {
      params.push_back(params_[*old]);
      objects.push_back(objects_[*old]);
    } else {
      params.push_back(std::make_shared<TDbParam>(name));
      objects.push_back(NativeValue(params.back()));
    }
  }
  params_ = std::move(params);
  objects_ = std::move(objects);
  parsedText_ = std::move(text);
}

std::optional<size_t> TParams::Find(const std::string& name) {
  std::string lower = builtin::Lower(name);
  for (size_t i = 0; i < params_.size(); ++i)
    if (builtin::Lower(params_[i]->Name()) == lower) return i;
  return std::nullopt;
}

TValue TParams::ParamByName(const std::string& name) {
  Refresh();
  auto index = Find(name);
  if (!index) DatabaseError("Parameter \"" + name + "\" not found");
  return objects_[*index];
}

std::optional<TValue> TParams::ValueOf(const std::string& name) {
  Refresh();
  auto index = Find(name);
  if (!index) return std::nullopt;
  return params_[*index]->Value();
}

size_t TParams::IndexArgument(const std::vector<TValue>& indexes) {
  if (indexes.size() != 1 || indexes[0].Kind() != TValueKind::kInteger) TypeError("Params expects one integer index");
  int64_t index = indexes[0].AsInteger();
  if (index < 0 || index >= static_cast<int64_t>(params_.size()))
    throw TBuiltinError(TErrorCode::kRangeError, "List index (" + std::to_string(index) + ") out of bounds");
  return static_cast<size_t>(index);
}

bool TParams::HasMember(const std::string& name) const {
  static const std::set<std::string> kMembers = {
      "count", "findparam", "items", "parambyname", "paramvalues"};
  return kMembers.count(name) > 0;
}

std::optional<TValue> TParams::GetProperty(const std::string& name, const std::vector<TValue>& indexes) {
  Refresh();
  if (name == "count" && indexes.empty()) return TValue::Integer(static_cast<int64_t>(params_.size()));
  if (name == "items") return objects_[IndexArgument(indexes)];
  if (name == "paramvalues") {
    if (indexes.size() != 1 || indexes[0].Kind() != TValueKind::kString) TypeError("ParamValues expects a name");
    return ParamByName(indexes[0].AsString()).AsObject()->native->GetProperty("value", {});
  }
  return std::nullopt;
}

bool TParams::SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) {
  if (name != "paramvalues") return false;
  if (indexes.size() != 1 || indexes[0].Kind() != TValueKind::kString) TypeError("ParamValues expects a name");
  return ParamByName(indexes[0].AsString()).AsObject()->native->SetProperty("value", {}, value);
}

std::optional<TValue> TParams::CallMethod(const std::string& name, const std::vector<TValue>& args) {
  if (name == "parambyname" || name == "findparam") {
    builtin::Count(args, 1, 1, name == "parambyname" ? "ParamByName" : "FindParam");
    if (args[0].Kind() != TValueKind::kString) TypeError("A parameter name expected");
    if (name == "parambyname") return ParamByName(args[0].AsString());
    Refresh();
    auto index = Find(args[0].AsString());
    return index ? objects_[*index] : TValue::Object(nullptr);
  }
  if (name == "count" && args.empty()) return GetProperty(name, {});
  return std::nullopt;
}

}  // namespace varnelo::pascal
