#include "scripting/script_outcome.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "pascal/native_object.h"
#include "pascal/text_format.h"

namespace varnelo::scripting {
namespace {

// The set's elements as the bits of one unsigned number, written in decimal: element n is 2^n.
std::string SetAsDecimal(const std::bitset<256>& bits) {
  std::array<std::uint32_t, 8> words{};  // least significant first
  for (size_t i = 0; i < bits.size(); ++i) {
    if (bits.test(i)) words[i / 32] |= 1u << (i % 32);
  }
  std::string digits;
  while (std::any_of(words.begin(), words.end(), [](std::uint32_t word) { return word != 0; })) {
    std::uint64_t remainder = 0;
    for (auto word = words.rbegin(); word != words.rend(); ++word) {
      const std::uint64_t value = (remainder << 32) | *word;
      *word = static_cast<std::uint32_t>(value / 10);
      remainder = value % 10;
    }
    digits += static_cast<char>('0' + remainder);
  }
  if (digits.empty()) return "0";
  std::reverse(digits.begin(), digits.end());
  return digits;
}

std::string ObjectText(const pascal::TValue& value) {
  const auto& object = value.AsObject();
  if (!object) return "Object: nil";
  return "Object: " + (object->native ? object->native->ClassName() : object->className);
}

}  // namespace

std::string OutcomeText(const pascal::TValue& result) {
  using pascal::TValueKind;
  switch (result.Kind()) {
    case TValueKind::kEmpty: return "Empty";
    case TValueKind::kNull: return "Null";
    case TValueKind::kInteger: return std::to_string(result.AsInteger());
    case TValueKind::kFloat: return pascal::FloatToText(result.AsFloat());
    case TValueKind::kString: return result.AsString();
    case TValueKind::kBoolean: return result.AsBoolean() ? "True" : "False";
    case TValueKind::kObject: return ObjectText(result);
    case TValueKind::kSet: return "Set: " + SetAsDecimal(result.AsSet());
    default: return "!Unknown!";
  }
}

std::string ErrorOutcome(const pascal::TScriptError& error) {
  std::string message = error.what();
  std::replace(message.begin(), message.end(), '\n', ' ');
  return std::string(kOutcomePrefix) + std::to_string(error.Number()) + ": " + message;
}

}  // namespace varnelo::scripting
