#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pascal/errors.h"
#include "pascal/value.h"

namespace varnelo::pascal {

// An error of a built-in routine; the interpreter adds where it was called.
class TBuiltinError : public std::runtime_error {
 public:
  TBuiltinError(TErrorCode code, const std::string& text, std::string exceptionClass = {})
      : std::runtime_error(text), code(code), exceptionClass(std::move(exceptionClass)) {}
  TErrorCode code;
  // The class a script's except handler sees ("EStringListError"); empty for the one that fits the code.
  std::string exceptionClass;
};

// A built-in called with too few or too many arguments.
class TArgumentCountError : public TBuiltinError {
 public:
  explicit TArgumentCountError(const std::string& routine)
      : TBuiltinError(TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"" + routine + "\"") {}
};

// The longest wait of one Sleep call: without a stop hook nothing cuts a sleep short.
inline constexpr int64_t kMaxSleepMilliseconds = 10'000;

// Built-in routines that only read their arguments (lower-case name). Nullopt when no such built-in.
// Throws TBuiltinError for a wrong argument count or type and for conversion errors.
std::optional<TValue> CallBuiltin(const std::string& name, const std::vector<TValue>& args);

using TBuiltinFunction = std::function<TValue(const std::vector<TValue>&)>;
// The function CallBuiltin would call for name, so a call site can keep it; null for the few CallBuiltin
// finds another way (dates and times).
const TBuiltinFunction* FindBuiltin(const std::string& name);

// A built-in that takes no arguments, called by its bare name (GetTempDir); nullopt when name is no such built-in.
std::optional<TValue> CallBuiltinWithoutArguments(const std::string& name);

// Built-in constants (True, MaxInt, rfReplaceAll...).
std::optional<TValue> BuiltinConstant(const std::string& name);

// The ordinal of an integer, boolean or one-character string.
std::optional<int64_t> OrdinalOf(const TValue& value);

}  // namespace varnelo::pascal
