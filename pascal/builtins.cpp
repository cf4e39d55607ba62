#include "pascal/builtins.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

#include "pascal/builtin_support.h"
#include "pascal/text_format.h"

namespace varnelo::pascal {

namespace builtin {

void Count(const TArgs& args, size_t low, size_t high, const std::string& name) {
  if (args.size() < low || args.size() > high) throw TArgumentCountError(name);
}

const std::string& Str(const TValue& value) {
  if (value.Kind() != TValueKind::kString) throw TBuiltinError(TErrorCode::kTypeMismatch, "Incompatible types: String expected");
  return value.AsString();
}

int64_t Int(const TValue& value) {
  if (value.Kind() != TValueKind::kInteger) throw TBuiltinError(TErrorCode::kTypeMismatch, "Incompatible types: Integer expected");
  return value.AsInteger();
}

double Real(const TValue& value) {
  if (!value.IsNumeric()) throw TBuiltinError(TErrorCode::kTypeMismatch, "Incompatible types: Double expected");
  return value.AsFloat();
}

bool Bool(const TValue& value) {
  if (value.Kind() != TValueKind::kBoolean) throw TBuiltinError(TErrorCode::kTypeMismatch, "Incompatible types: Boolean expected");
  return value.AsBoolean();
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::optional<int64_t> ParseInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  } else if (i < text.size() && (text[i] == '%' || text[i] == '&')) {
    base = text[i] == '%' ? 2 : 8;
    ++i;
  }
  if (i >= text.size()) return std::nullopt;
  unsigned long long value = 0;
  for (; i < text.size(); ++i) {
    int digit;
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else return std::nullopt;
    if (digit >= base) return std::nullopt;
    if (value > (static_cast<unsigned long long>(INT64_MAX) + 1 - digit) / base) return std::nullopt;
    value = value * base + digit;
  }
  if (!negative && value > static_cast<unsigned long long>(INT64_MAX)) return std::nullopt;
  return negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
}

std::optional<int64_t> ParseInteger32(const std::string& text) {
  auto value = ParseInteger(text);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
  return value;
}

std::optional<double> ParseFloat(const std::string& text) {
  std::string trimmed = text;
  while (!trimmed.empty() && trimmed.front() == ' ') trimmed.erase(0, 1);
  if (trimmed.empty() || trimmed.find_first_not_of("0123456789+-.eE") != std::string::npos) return std::nullopt;
  char* end = nullptr;
  double value = std::strtod(trimmed.c_str(), &end);
  if (end != trimmed.c_str() + trimmed.size()) return std::nullopt;
  return value;
}

}  // namespace builtin

namespace {

using namespace builtin;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

int64_t ToInt64(double value) {
  if (!(value >= -9.2233720368547758e18 && value < 9.2233720368547758e18))
    throw TBuiltinError(TErrorCode::kRangeError, "Range check error");
  return static_cast<int64_t>(value);
}

TValue Copy(const TArgs& args) {
  Count(args, 2, 3, "Copy");
  const std::string& text = Str(args[0]);
  int64_t index = std::max<int64_t>(Int(args[1]), 1);
  int64_t count = args.size() == 3 ? Int(args[2]) : INT64_MAX;
  if (index > static_cast<int64_t>(text.size()) || count <= 0) return TValue::String("");
  return TValue::String(text.substr(index - 1, static_cast<size_t>(std::min<int64_t>(count, text.size()))));
}

TValue StringReplace(const TArgs& args) {
  Count(args, 4, 4, "StringReplace");
  const std::string& text = Str(args[0]);
  const std::string& from = Str(args[1]);
  const std::string& to = Str(args[2]);
  if (args[3].Kind() != TValueKind::kSet) throw TBuiltinError(TErrorCode::kTypeMismatch, "Incompatible types: TReplaceFlags expected");
  bool all = args[3].AsSet().test(0);
  bool ignoreCase = args[3].AsSet().test(1);
  if (from.empty()) return TValue::String(text);
  std::string haystack = ignoreCase ? Lower(text) : text;
  std::string needle = ignoreCase ? Lower(from) : from;
  std::string out;
  size_t start = 0;
  for (;;) {
    size_t found = haystack.find(needle, start);
    if (found == std::string::npos) break;
    out += text.substr(start, found - start) + to;
    start = found + needle.size();
    if (!all) break;
  }
  return TValue::String(out + text.substr(start));
}

const TBuiltinTable& Builtins() {
  static const TBuiltinTable builtins = [] {
  TBuiltinTable table = {
      {"length", [](const TArgs& a) {
         Count(a, 1, 1, "Length");
         if (a[0].Kind() == TValueKind::kArray) return TValue::Integer(static_cast<int64_t>(a[0].AsArray()->items.size()));
         return TValue::Integer(static_cast<int64_t>(Str(a[0]).size()));
       }},
      {"copy", Copy},
      {"pos", [](const TArgs& a) {
         Count(a, 2, 3, "Pos");
         const std::string& sub = Str(a[0]);
         const std::string& text = Str(a[1]);
         int64_t from = a.size() == 3 ? Int(a[2]) : 1;
         if (sub.empty() || from < 1 || from > static_cast<int64_t>(text.size())) return TValue::Integer(0);
         size_t found = text.find(sub, from - 1);
         return TValue::Integer(found == std::string::npos ? 0 : static_cast<int64_t>(found) + 1);
       }},
      {"uppercase", [](const TArgs& a) { Count(a, 1, 1, "UpperCase"); return TValue::String(Upper(Str(a[0]))); }},
      {"lowercase", [](const TArgs& a) { Count(a, 1, 1, "LowerCase"); return TValue::String(Lower(Str(a[0]))); }},
      {"trim", [](const TArgs& a) {
         Count(a, 1, 1, "Trim");
         std::string text = Str(a[0]);
         size_t first = 0, last = text.size();
         while (first < last && IsBlank(text[first])) ++first;
         while (last > first && IsBlank(text[last - 1])) --last;
         return TValue::String(text.substr(first, last - first));
       }},
      {"trimleft", [](const TArgs& a) {
         Count(a, 1, 1, "TrimLeft");
         const std::string& text = Str(a[0]);
         size_t first = 0;
         while (first < text.size() && IsBlank(text[first])) ++first;
         return TValue::String(text.substr(first));
       }},
      {"trimright", [](const TArgs& a) {
         Count(a, 1, 1, "TrimRight");
         std::string text = Str(a[0]);
         while (!text.empty() && IsBlank(text.back())) text.pop_back();
         return TValue::String(text);
       }},
      {"inttostr", [](const TArgs& a) { Count(a, 1, 1, "IntToStr"); return TValue::String(std::to_string(Int(a[0]))); }},
      {"strtoint", [](const TArgs& a) {
         Count(a, 1, 1, "StrToInt");
         auto value = ParseInteger32(Str(a[0]));
         if (!value) throw TBuiltinError(TErrorCode::kConversion, "\"" + a[0].AsString() + "\" is an invalid integer");
         return TValue::Integer(*value);
       }},
      {"strtointdef", [](const TArgs& a) {
         Count(a, 2, 2, "StrToIntDef");
         auto value = ParseInteger32(Str(a[0]));
         return TValue::Integer(value ? *value : Int(a[1]));
       }},
      {"floattostr", [](const TArgs& a) { Count(a, 1, 1, "FloatToStr"); return TValue::String(FloatToText(Real(a[0]))); }},
      {"strtofloat", [](const TArgs& a) {
         Count(a, 1, 1, "StrToFloat");
         auto value = ParseFloat(Str(a[0]));
         if (!value) throw TBuiltinError(TErrorCode::kConversion, "\"" + a[0].AsString() + "\" is an invalid float");
         return TValue::Float(*value);
       }},
      {"chr", [](const TArgs& a) { Count(a, 1, 1, "Chr"); return TValue::String(std::string(1, static_cast<char>(Int(a[0]) & 0xFF))); }},
      {"ord", [](const TArgs& a) {
         Count(a, 1, 1, "Ord");
         auto ordinal = OrdinalOf(a[0]);
         if (!ordinal) throw TBuiltinError(TErrorCode::kTypeMismatch, "Ordinal expression expected");
         return TValue::Integer(*ordinal);
       }},
      {"odd", [](const TArgs& a) { Count(a, 1, 1, "Odd"); return TValue::Boolean((Int(a[0]) & 1) != 0); }},
      {"abs", [](const TArgs& a) {
         Count(a, 1, 1, "Abs");
         if (a[0].Kind() == TValueKind::kInteger)
           return TValue::Integer(a[0].AsInteger() < 0 ? static_cast<int64_t>(0 - static_cast<uint64_t>(a[0].AsInteger())) : a[0].AsInteger());
         return TValue::Float(std::fabs(Real(a[0])));
       }},
      {"sqr", [](const TArgs& a) {
         Count(a, 1, 1, "Sqr");
         if (a[0].Kind() == TValueKind::kInteger)
           return TValue::Integer(static_cast<int64_t>(static_cast<uint64_t>(a[0].AsInteger()) * static_cast<uint64_t>(a[0].AsInteger())));
         return TValue::Float(Real(a[0]) * Real(a[0]));
       }},
      {"round", [](const TArgs& a) { Count(a, 1, 1, "Round"); return TValue::Integer(ToInt64(std::nearbyint(Real(a[0])))); }},
      {"trunc", [](const TArgs& a) { Count(a, 1, 1, "Trunc"); return TValue::Integer(ToInt64(std::trunc(Real(a[0])))); }},
      {"stringreplace", StringReplace},
      {"quotedstr", [](const TArgs& a) {
         Count(a, 1, 1, "QuotedStr");
         std::string out = "'";
         for (char c : Str(a[0])) out += c == '\'' ? std::string("''") : std::string(1, c);
         return TValue::String(out + "'");
       }},
  };
  AddMathBuiltins(table);
  AddStringBuiltins(table);
  AddSystemBuiltins(table);
  AddDateTimeBuiltins(table);
  return table;
  }();
  return builtins;
}

}  // namespace

std::optional<int64_t> OrdinalOf(const TValue& value) {
  switch (value.Kind()) {
    case TValueKind::kInteger:
    case TValueKind::kBoolean: return value.AsInteger();
    case TValueKind::kString:
      if (value.AsString().size() == 1) return static_cast<unsigned char>(value.AsString()[0]);
      return std::nullopt;
    default: return std::nullopt;
  }
}

std::optional<TValue> CallBuiltin(const std::string& name, const std::vector<TValue>& args) {
  const auto& builtins = Builtins();
  auto found = builtins.find(name);
  if (found == builtins.end()) return std::nullopt;
  return found->second(args);
}

const TBuiltinFunction* FindBuiltin(const std::string& name) {
  const auto& builtins = Builtins();
  auto found = builtins.find(name);
  return found == builtins.end() ? nullptr : &found->second;
}

std::optional<TValue> CallBuiltinWithoutArguments(const std::string& name) {
  try {
    return CallBuiltin(name, {});
  } catch (const TArgumentCountError&) {
    return std::nullopt;
  }
}

std::optional<TValue> BuiltinConstant(const std::string& name) {
  static const std::map<std::string, TValue> constants = {
      {"true", TValue::Boolean(true)},          {"false", TValue::Boolean(false)},
      {"maxint", TValue::Integer(2147483647)},  {"maxlongint", TValue::Integer(2147483647)},
      {"rfreplaceall", TValue::Integer(0)},     {"rfignorecase", TValue::Integer(1)},
      {"pi", TValue::Float(3.14159265358979323846)},
      {"lineending", TValue::String("\n")},     {"slinebreak", TValue::String("\n")},
      {"pathdelim", TValue::String("/")},
      // Variants: Null is the null value, Unassigned the empty one.
      {"null", TValue::Null()},                 {"unassigned", TValue()},
  };
  auto found = constants.find(name);
  if (found == constants.end()) return std::nullopt;
  return found->second;
}

}  // namespace varnelo::pascal
