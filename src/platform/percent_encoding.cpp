#include "platform/percent_encoding.h"

namespace varnelo::platform {

void AppendPercentEscape(std::string& out, unsigned char c) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += '%';
  out += kDigits[c >> 4];
  out += kDigits[c & 15];
}

std::optional<unsigned char> PercentEscapeAt(std::string_view text, size_t at) {
  const auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (at + 2 >= text.size() || text[at] != '%') return std::nullopt;
  const int high = digit(text[at + 1]);
  const int low = digit(text[at + 2]);
  if (high < 0 || low < 0) return std::nullopt;
  return static_cast<unsigned char>(high * 16 + low);
}

}  // namespace varnelo::platform
