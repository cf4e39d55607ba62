#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pascal/builtins.h"
#include "pascal/value.h"

// What the built-in routines share: argument checks and the table they register in.
namespace varnelo::pascal::builtin {

using TArgs = std::vector<TValue>;
using TBuiltin = std::function<TValue(const TArgs&)>;
using TBuiltinTable = std::map<std::string, TBuiltin>;

// Throws unless low <= args.size() <= high; name is the routine as a programmer spells it.
void Count(const TArgs& args, size_t low, size_t high, const std::string& name);
const std::string& Str(const TValue& value);
int64_t Int(const TValue& value);
double Real(const TValue& value);
bool Bool(const TValue& value);
std::string Lower(std::string text);
std::string Upper(std::string text);
// A decimal, "$" hexadecimal, "%" binary or "&" octal integer with optional sign and leading blanks.
std::optional<int64_t> ParseInteger(const std::string& text);
// What StrToInt accepts: ParseInteger within the range of Integer.
std::optional<int64_t> ParseInteger32(const std::string& text);
std::optional<double> ParseFloat(const std::string& text);

void AddMathBuiltins(TBuiltinTable& table);
void AddStringBuiltins(TBuiltinTable& table);
void AddSystemBuiltins(TBuiltinTable& table);
// Now, Date, Time, FormatDateTime, DateTimeToStr, DateToStr, TimeToStr, EncodeDate, EncodeTime.
void AddDateTimeBuiltins(TBuiltinTable& table);

}  // namespace varnelo::pascal::builtin
