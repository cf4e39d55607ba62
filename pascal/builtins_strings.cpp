// String routines of SysUtils and StrUtils beyond the basic ones.
#include <algorithm>
#include <cstdio>

#include "pascal/builtin_support.h"

namespace varnelo::pascal::builtin {

namespace {

// Every routine that builds a string from a count refuses one beyond this, rather than exhausting memory.
constexpr int64_t kMaxBuiltLength = 64 * 1024 * 1024;

int64_t Length(const std::string& text) { return static_cast<int64_t>(text.size()); }

std::string Substring(const std::string& text, int64_t start, int64_t count) {
  start = std::max<int64_t>(start, 0);
  if (start >= Length(text) || count <= 0) return "";
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(std::min(count, Length(text) - start)));
}

// CompareStr: the difference of the first bytes that differ, else of the lengths.
int64_t CompareBytes(const std::string& left, const std::string& right) {
  size_t common = std::min(left.size(), right.size());
  for (size_t i = 0; i < common; ++i)
    if (left[i] != right[i]) return static_cast<unsigned char>(left[i]) - static_cast<unsigned char>(right[i]);
  return Length(left) - Length(right);
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.starts_with(prefix); }
bool EndsWith(const std::string& text, const std::string& suffix) { return text.ends_with(suffix); }
bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TBuiltin TextTest(const std::string& name, bool (*test)(const std::string&, const std::string&), bool ignoreCase,
                  bool textFirst) {
  return [name, test, ignoreCase, textFirst](const TArgs& a) {
    Count(a, 2, 2, name);
    // AnsiStartsText(prefix, text) names the part first; ContainsText(text, part) the text.
    std::string part = Str(a[textFirst ? 1 : 0]);
    std::string text = Str(a[textFirst ? 0 : 1]);
    if (ignoreCase) {
      part = Upper(part);
      text = Upper(text);
    }
    return TValue::Boolean(test(text, part));
  };
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  std::string out;
  size_t start = 0;
  for (size_t found; (found = text.find(from, start)) != std::string::npos; start = found + from.size())
    out += text.substr(start, found - start) + to;
  return out + text.substr(start);
}

}  // namespace

void AddStringBuiltins(TBuiltinTable& table) {
  table["stringofchar"] = [](const TArgs& a) {
    Count(a, 2, 2, "StringOfChar");
    const std::string& c = Str(a[0]);
    if (c.size() != 1) throw TBuiltinError(TErrorCode::kTypeMismatch, "Incompatible types: Char expected");
    int64_t count = Int(a[1]);
    if (count > kMaxBuiltLength) throw TBuiltinError(TErrorCode::kRuntime, "Out of memory: string too long");
    return TValue::String(std::string(static_cast<size_t>(std::max<int64_t>(count, 0)), c[0]));
  };
  table["dupestring"] = [](const TArgs& a) {
    Count(a, 2, 2, "DupeString");
    const std::string& text = Str(a[0]);
    int64_t count = std::max<int64_t>(Int(a[1]), 0);
    if (!text.empty() && count > kMaxBuiltLength / Length(text))
      throw TBuiltinError(TErrorCode::kRuntime, "Out of memory: string too long");
    std::string out;
    for (int64_t i = 0; i < count; ++i) out += text;
    return TValue::String(out);
  };
  table["inttohex"] = [](const TArgs& a) {
    Count(a, 1, 2, "IntToHex");
    // Values are not typed here: one that fits an Integer is shown as the Integer it most likely was.
    int64_t value = Int(a[0]);
    uint64_t bits = value >= INT32_MIN && value <= INT32_MAX ? static_cast<uint32_t>(value) : static_cast<uint64_t>(value);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(bits));
    std::string text = buffer;
    int64_t digits = a.size() == 2 ? std::min<int64_t>(Int(a[1]), 32) : 0;
    if (digits > Length(text)) text.insert(0, static_cast<size_t>(digits - Length(text)), '0');
    return TValue::String(text);
  };
  table["leftstr"] = [](const TArgs& a) {
    Count(a, 2, 2, "LeftStr");
    return TValue::String(Substring(Str(a[0]), 0, Int(a[1])));
  };
  table["rightstr"] = [](const TArgs& a) {
    Count(a, 2, 2, "RightStr");
    const std::string& text = Str(a[0]);
    int64_t count = std::min(Int(a[1]), Length(text));
    return TValue::String(Substring(text, Length(text) - count, count));
  };
  table["midstr"] = [](const TArgs& a) {
    Count(a, 3, 3, "MidStr");
    // A start before the first character counts from the first, as Copy does.
    return TValue::String(Substring(Str(a[0]), std::max<int64_t>(Int(a[1]), 1) - 1, Int(a[2])));
  };
  table["reversestring"] = [](const TArgs& a) {
    Count(a, 1, 1, "ReverseString");
    std::string text = Str(a[0]);
    std::reverse(text.begin(), text.end());
    return TValue::String(text);
  };
  table["booltostr"] = [](const TArgs& a) {
    Count(a, 1, 3, "BoolToStr");
    bool value = Bool(a[0]);
    if (a.size() == 3) return TValue::String(value ? Str(a[1]) : Str(a[2]));
    if (a.size() == 2 && Bool(a[1])) return TValue::String(value ? "True" : "False");
    return TValue::String(value ? "-1" : "0");
  };
  table["upcase"] = [](const TArgs& a) {
    Count(a, 1, 1, "UpCase");
    return TValue::String(Upper(Str(a[0])));
  };
  // Without a locale the Ansi variants change ASCII letters only, as Free Pascal's default does.
  table["ansiuppercase"] = [](const TArgs& a) {
    Count(a, 1, 1, "AnsiUpperCase");
    return TValue::String(Upper(Str(a[0])));
  };
  table["ansilowercase"] = [](const TArgs& a) {
    Count(a, 1, 1, "AnsiLowerCase");
    return TValue::String(Lower(Str(a[0])));
  };
  table["posex"] = [](const TArgs& a) {
    Count(a, 2, 3, "PosEx");
    const std::string& part = Str(a[0]);
    const std::string& text = Str(a[1]);
    int64_t from = a.size() == 3 ? Int(a[2]) : 1;
    if (part.empty() || from < 1 || from > Length(text)) return TValue::Integer(0);
    size_t found = text.find(part, static_cast<size_t>(from - 1));
    return TValue::Integer(found == std::string::npos ? 0 : static_cast<int64_t>(found) + 1);
  };
  table["comparestr"] = [](const TArgs& a) {
    Count(a, 2, 2, "CompareStr");
    return TValue::Integer(CompareBytes(Str(a[0]), Str(a[1])));
  };
  table["comparetext"] = [](const TArgs& a) {
    Count(a, 2, 2, "CompareText");
    return TValue::Integer(CompareBytes(Upper(Str(a[0])), Upper(Str(a[1]))));
  };
  table["sametext"] = [](const TArgs& a) {
    Count(a, 2, 2, "SameText");
    return TValue::Boolean(Upper(Str(a[0])) == Upper(Str(a[1])));
  };
  table["startsstr"] = TextTest("StartsStr", StartsWith, false, false);
  table["endsstr"] = TextTest("EndsStr", EndsWith, false, false);
  table["ansistartsstr"] = TextTest("AnsiStartsStr", StartsWith, false, false);
  table["ansiendsstr"] = TextTest("AnsiEndsStr", EndsWith, false, false);
  table["startstext"] = TextTest("StartsText", StartsWith, true, false);
  table["endstext"] = TextTest("EndsText", EndsWith, true, false);
  table["ansistartstext"] = TextTest("AnsiStartsText", StartsWith, true, false);
  table["ansiendstext"] = TextTest("AnsiEndsText", EndsWith, true, false);
  table["containsstr"] = TextTest("ContainsStr", Contains, false, true);
  table["containstext"] = TextTest("ContainsText", Contains, true, true);
  table["ansicontainsstr"] = TextTest("AnsiContainsStr", Contains, false, true);
  table["ansicontainstext"] = TextTest("AnsiContainsText", Contains, true, true);
  table["ansireplacestr"] = [](const TArgs& a) {
    Count(a, 3, 3, "AnsiReplaceStr");
    return TValue::String(ReplaceAll(Str(a[0]), Str(a[1]), Str(a[2])));
  };
}

}  // namespace varnelo::pascal::builtin
