#include "pascal/sqlite_sql_text.h"

#include "pascal/builtins.h"
#include "pascal/sqlite_support.h"

namespace varnelo::pascal {

using namespace sqlite;

namespace {

const std::string& StringArgument(const TValue& value, const std::string& routine) {
  if (value.Kind() != TValueKind::kString) TypeError(routine + " expects a string");
  return value.AsString();
}

}  // namespace

std::string TSQLText::Text() const {
  std::string text;
  for (const auto& line : lines_) text += line + "\n";
  return text;
}

void TSQLText::SetText(const std::string& text) {
  lines_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines_.push_back(text.substr(start));
      break;
    }
    lines_.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

size_t TSQLText::LineIndex(const std::vector<TValue>& indexes) const {
  if (indexes.size() != 1 || indexes[0].Kind() != TValueKind::kInteger) TypeError("Strings expects one integer index");
  int64_t index = indexes[0].AsInteger();
  if (index < 0 || index >= static_cast<int64_t>(lines_.size()))
    throw TBuiltinError(TErrorCode::kRangeError, "List index (" + std::to_string(index) + ") out of bounds");
  return static_cast<size_t>(index);
}

std::optional<TValue> TSQLText::GetProperty(const std::string& name, const std::vector<TValue>& indexes) {
  if (name == "text") return TValue::String(Text());
  if (name == "count") return TValue::Integer(static_cast<int64_t>(lines_.size()));
  if (name == "strings") return TValue::String(lines_[LineIndex(indexes)]);
  return std::nullopt;
}

bool TSQLText::SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) {
  if (name == "text") {
    SetText(StringArgument(value, "Text"));
    return true;
  }
  if (name == "strings") {
    lines_[LineIndex(indexes)] = StringArgument(value, "Strings");
    return true;
  }
  return false;
}

std::optional<TValue> TSQLText::CallMethod(const std::string& name, const std::vector<TValue>& args) {
  if (name == "add" || name == "append") {
    ExpectArguments(args, 1, name == "add" ? "Add" : "Append");
    lines_.push_back(StringArgument(args[0], "Add"));
    if (name == "append") return TValue();
    return TValue::Integer(static_cast<int64_t>(lines_.size()) - 1);
  }
  if (name == "clear") {
    ExpectArguments(args, 0, "Clear");
    lines_.clear();
    return TValue();
  }
  if (args.empty() && (name == "text" || name == "count")) return GetProperty(name, {});
  return std::nullopt;
}

}  // namespace varnelo::pascal
