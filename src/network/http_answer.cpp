#include "network/http_answer.h"

#include <charconv>

#include "base/text.h"

namespace varnelo::network {
namespace {

// What surrounds a header value or a cookie part.
constexpr std::string_view kHeaderBlanks = " \t\r\n";

}  // namespace

std::optional<TStatusLine> ParseStatusLine(std::string_view line) {
  if (!HeaderIs(line, "HTTP/")) return std::nullopt;
  TStatusLine status;
  const size_t firstBlank = line.find(' ');
  if (firstBlank == std::string_view::npos) return status;
  const std::string_view rest = line.substr(firstBlank + 1);
  const size_t secondBlank = rest.find(' ');
  const std::string_view code = rest.substr(0, secondBlank);
  int value = 0;
  const auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), value);
  if (error == std::errc() && end == code.data() + code.size() && !code.empty()) status.ResultCode = value;
  if (secondBlank != std::string_view::npos) status.ResultString = std::string(rest.substr(secondBlank + 1));
  return status;
}

bool HeaderIs(std::string_view line, std::string_view upperPrefix) {
  if (line.size() < upperPrefix.size()) return false;
  for (size_t i = 0; i < upperPrefix.size(); ++i) {
    if (base::AsciiUpper(line[i]) != upperPrefix[i]) return false;
  }
  return true;
}

std::string_view HeaderValue(std::string_view line) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  return base::TrimAny(line.substr(colon + 1), kHeaderBlanks);
}

std::optional<std::int64_t> ParseContentLength(std::string_view value) {
  value = base::TrimAny(value, kHeaderBlanks);
  bool negative = false;
  if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  if (value.empty()) return std::nullopt;
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end != value.data() + value.size()) return std::nullopt;
  return negative ? -number : number;
}

std::optional<std::uint64_t> ParseChunkSize(std::string_view line) {
  line = base::TrimAny(line, kHeaderBlanks);
  const size_t end = line.find_first_of(" \t;");
  const std::string_view digits = line.substr(0, end);
  if (digits.empty()) return std::nullopt;
  constexpr std::uint64_t kLimit = (std::uint64_t(1) << 62) - 1;
  std::uint64_t size = 0;
  for (char c : digits) {
    unsigned digit;
    if (c >= '0' && c <= '9') digit = unsigned(c - '0');
    else if (c >= 'a' && c <= 'f') digit = unsigned(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = unsigned(c - 'A' + 10);
    else return std::nullopt;
    if (size > (kLimit - digit) / 16) return std::nullopt;
    size = size * 16 + digit;
  }
  return size;
}

std::optional<std::pair<std::string, std::string>> ParseSetCookie(std::string_view value) {
  const std::string_view pair = value.substr(0, value.find(';'));
  const size_t equals = pair.find('=');
  const std::string_view name = base::TrimAny(pair.substr(0, equals), kHeaderBlanks);
  if (name.empty()) return std::nullopt;
  const std::string_view cookieValue = equals == std::string_view::npos ? std::string_view() : base::TrimAny(pair.substr(equals + 1), kHeaderBlanks);
  return std::make_pair(std::string(name), std::string(cookieValue));
}

}  // namespace varnelo::network
