#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pascal/value.h"

namespace varnelo::pascal {

// A TDateTime: days since 30 December 1899, the time of day as the fraction, in local time.
double DateTimeNow();

// FormatDateTime's patterns: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz, "m" after an
// hour meaning minutes, am/pm, quoted literals, "/" and ":" as the separators.
std::string FormatDateTimeText(const std::string& format, double dateTime);

// Now, Date, Time, FormatDateTime, DateTimeToStr, DateToStr, TimeToStr, EncodeDate, EncodeTime;
// nullopt for any other name. Throws TBuiltinError for wrong arguments.
std::optional<TValue> CallDateTimeBuiltin(const std::string& name, const std::vector<TValue>& args);

}  // namespace varnelo::pascal
