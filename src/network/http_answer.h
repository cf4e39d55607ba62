#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnelo::network {

// Pure pieces of the reading of an answer (the client applies them in order).

// The whole header block (status line, header lines and their line ends, leading empty lines
// included) is capped: a longer one ends the header reading as a read error would.
inline constexpr size_t kMaxHeaderBlockBytes = 1024 * 1024;

struct TStatusLine {
  int ResultCode = 0;        // the number after the first blank; 0 when that is not a number
  std::string ResultString;  // the text after the second blank; "" when there is none
};

// The status line when `line` begins, ignoring case, with "HTTP/"; nothing otherwise.
std::optional<TStatusLine> ParseStatusLine(std::string_view line);

// True when `line`, in capitals, begins with `upperPrefix` (e.g. "CONTENT-LENGTH:").
bool HeaderIs(std::string_view line, std::string_view upperPrefix);

// The value of a header line: the text after its first ":", without surrounding blanks (for the
// usual "Name: value" this is the text after the first blank).
std::string_view HeaderValue(std::string_view line);

// Content-Length: the decimal number (optional sign, blanks around allowed); nothing when the value is
// not a number or does not fit in 63 bits.
std::optional<std::int64_t> ParseContentLength(std::string_view value);

// A chunk size line: the hexadecimal number before the first blank, tab or ";". Nothing when that is
// not a number (empty, a non-hex digit, or more than 2^62 - 1: never allocated, never overflowing).
std::optional<std::uint64_t> ParseChunkSize(std::string_view line);

// A Set-Cookie value: name and value of its first "name=value" pair, trimmed; a pair without "=" gives
// the name and an empty value. Nothing when the name is empty.
std::optional<std::pair<std::string, std::string>> ParseSetCookie(std::string_view value);

}  // namespace varnelo::network
