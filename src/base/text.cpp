#include "base/text.h"

#include <algorithm>

namespace varnelo::base {
namespace {

constexpr bool IsSpace(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string AsciiLowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(), AsciiLower);
  return lowered;
}

std::string AsciiUppered(std::string_view text) {
  std::string uppered(text);
  std::transform(uppered.begin(), uppered.end(), uppered.begin(), AsciiUpper);
  return uppered;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string_view TrimAny(std::string_view text, std::string_view bytes) {
  const size_t first = text.find_first_not_of(bytes);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(bytes) - first + 1);
}

std::string_view TrimBlanks(std::string_view text) { return TrimAny(text, " \t"); }

std::string_view TrimSpacesRight(std::string_view text) {
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  return TrimSpacesRight(text);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

}  // namespace varnelo::base
