#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace varnelo::network {

// An HTTP date in any of the three forms of RFC 9110 section 5.6.7, or an RFC 822 date with a
// numeric zone:
//   RFC 1123 "Sun, 06 Nov 1994 08:49:37 GMT" (also a 2-digit year, no day name, "+0100" zones),
//   RFC 850  "Sunday, 06-Nov-94 08:49:37 GMT",
//   asctime  "Sun Nov  6 08:49:37 1994" (read as GMT).
// The result is the instant in seconds since the epoch (time_t, which localtime_r shows in local
// time); nothing when the text is not such a date.
std::optional<std::time_t> ParseHttpDate(std::string_view text);

// The RFC 1123 form of `instant` in GMT, as a conditional fetch writes If-Modified-Since:
// "Tue, 08 Dec 2026 14:05:09 GMT".
std::string FormatHttpDate(std::time_t instant);

}  // namespace varnelo::network
