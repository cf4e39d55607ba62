#include "pascal/sqlite_support.h"

#include <cctype>

#include "pascal/builtin_support.h"
#include "pascal/builtins.h"
#include "pascal/text_format.h"

namespace varnelo::pascal::sqlite {

void DatabaseError(const std::string& text) { throw TBuiltinError(TErrorCode::kDatabase, text); }

void TypeError(const std::string& text) { throw TBuiltinError(TErrorCode::kTypeMismatch, text); }

void ExpectOwnerOnly(const std::vector<TValue>& args, const std::string& className) {
  bool ownerOk = args.empty() ||
                 (args.size() == 1 && (args[0].Kind() == TValueKind::kObject || args[0].Kind() == TValueKind::kNull));
  if (!ownerOk) TypeError(className + ".Create expects an owner or nil");
}

std::string ValueAsString(const TValue& value) {
  switch (value.Kind()) {
    case TValueKind::kInteger: return std::to_string(value.AsInteger());
    case TValueKind::kFloat: return FloatToText(value.AsFloat());
    case TValueKind::kString: return value.AsString();
    case TValueKind::kBoolean: return value.AsBoolean() ? "True" : "False";
    default: return "";
  }
}

int64_t ValueAsInteger(const TValue& value) {
  switch (value.Kind()) {
    case TValueKind::kInteger: return value.AsInteger();
    case TValueKind::kFloat: return CallBuiltin("round", {value})->AsInteger();
    case TValueKind::kString: return CallBuiltin("strtoint", {value})->AsInteger();
    case TValueKind::kBoolean: return value.AsBoolean() ? 1 : 0;
    default: return 0;
  }
}

double ValueAsFloat(const TValue& value) {
  switch (value.Kind()) {
    case TValueKind::kInteger: case TValueKind::kFloat: return value.AsFloat();
    case TValueKind::kString: return CallBuiltin("strtofloat", {value})->AsFloat();
    case TValueKind::kBoolean: return value.AsBoolean() ? 1 : 0;
    default: return 0;
  }
}

bool ValueAsBoolean(const TValue& value) {
  switch (value.Kind()) {
    case TValueKind::kInteger: return value.AsInteger() != 0;
    case TValueKind::kFloat: return value.AsFloat() != 0;
    case TValueKind::kBoolean: return value.AsBoolean();
    case TValueKind::kString: {
      std::string text = builtin::Lower(value.AsString());
      if (text == "true" || text == "t" || text == "yes" || text == "y" || text == "1") return true;
      if (text.empty() || text == "false" || text == "f" || text == "no" || text == "n" || text == "0") return false;
      throw TBuiltinError(TErrorCode::kConversion, "\"" + value.AsString() + "\" is not a valid boolean");
    }
    default: return false;
  }
}

TValue ValueAsVariant(const TValue& value) {
  if (value.Kind() == TValueKind::kEmpty || value.Kind() == TValueKind::kNull) return TValue::Null();
  return value;
}

std::string TextOfStrings(const TValue& strings) {
  if (strings.Kind() != TValueKind::kObject || !strings.AsObject() || !strings.AsObject()->native) return "";
  auto text = strings.AsObject()->native->GetProperty("text", {});
  return text && text->Kind() == TValueKind::kString ? text->AsString() : "";
}

}  // namespace varnelo::pascal::sqlite
