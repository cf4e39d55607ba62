#pragma once

#include <string>

namespace varnelo::pascal {

// A TDateTime: days since 30 December 1899, the time of day as the fraction, in local time.
double DateTimeNow();

// FormatDateTime's patterns: c, d dd ddd dddd, m mm mmm mmmm, yy yyyy, h hh, n nn, s ss, z zzz, "m"
// after an hour meaning minutes, am/pm (twelve hours), quoted literals, "/" written as "-".
std::string FormatDateTimeText(const std::string& format, double dateTime);

}  // namespace varnelo::pascal
