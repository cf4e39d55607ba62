#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pascal/value.h"

namespace varnelo::pascal {

// Write/WriteLn of a real: FPC's scientific form (" 3.1400000000000001E+000") without a decimals count,
// fixed notation with one.
std::string WriteReal(double value, std::optional<int> width, std::optional<int> decimals);

// Write/WriteLn of any simple value, right-justified to width when given.
std::string WriteText(const TValue& value, std::optional<int> width, std::optional<int> decimals);

// FloatToStr: the general form with 15 significant digits ("3.14", "0.00001", "1E20", "1.5E-7").
std::string FloatToText(double value);

// Format with %d %u %s %f %.nf %e %g %n %x %%, widths, "*" and "%1:s" indexes; throws std::invalid_argument on a bad format or argument.
std::string FormatText(const std::string& format, const std::vector<TValue>& args);

}  // namespace varnelo::pascal
