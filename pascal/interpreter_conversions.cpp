// TryStrToInt, TryStrToInt64 and TryStrToFloat: conversions that answer through a var parameter.
#include <optional>
#include <string>

#include "pascal/builtin_support.h"
#include "pascal/interpreter.h"

namespace varnelo::pascal {

bool TInterpreter::CallTryConversion(const TNode& node, TValue& result) {
  const std::string& name = node.text;
  bool toFloat = name == "trystrtofloat";
  if (!toFloat && name != "trystrtoint" && name != "trystrtoint64") return false;
  if (node.kids.size() != 2)
    Fail(TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"" + node.original + "\"", node);
  TValue text = Evaluate(*node.kids[0]);
  if (text.Kind() != TValueKind::kString) Fail(TErrorCode::kTypeMismatch, "Incompatible types: String expected", *node.kids[0]);
  TLvalue target = ResolveLvalue(*node.kids[1]);
  std::optional<TValue> converted;
  if (toFloat) {
    if (auto value = builtin::ParseFloat(text.AsString())) converted = TValue::Float(*value);
  } else {
    auto value = name == "trystrtoint" ? builtin::ParseInteger32(text.AsString()) : builtin::ParseInteger(text.AsString());
    if (value) converted = TValue::Integer(*value);
  }
  // A failed conversion leaves zero behind, as Free Pascal's does.
  TValue stored = converted ? *converted : toFloat ? TValue::Float(0) : TValue::Integer(0);
  *target.cell = Coerce(stored, target.type, node);
  result = TValue::Boolean(converted.has_value());
  return true;
}

}  // namespace varnelo::pascal
