#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnelo::platform {

// "%" and the two upper-case hexadecimal digits of `c`.
void AppendPercentEscape(std::string& out, unsigned char c);

// The byte of the escape "%XX" (either case) at `at` in `text`; none when no escape stands there.
std::optional<unsigned char> PercentEscapeAt(std::string_view text, size_t at);

// `text` with every byte that `keep` refuses written as a percent escape.
template <class TKeep>
std::string PercentEncode(std::string_view text, TKeep keep) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (keep(c)) {
      out += ch;
    } else {
      AppendPercentEscape(out, c);
    }
  }
  return out;
}

}  // namespace varnelo::platform
