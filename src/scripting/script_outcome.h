#pragma once

#include <string>

#include "pascal/errors.h"
#include "pascal/value.h"

namespace varnelo::scripting {

// The beginning of every outcome line that reports an error.
inline constexpr std::string_view kOutcomePrefix = "script result:";

// The outcome line of a run that completed with `result`: "Empty", "Null", the number or text,
// "True"/"False", "Object: nil" or "Object: <class>", "Set: <its bits as a decimal number>".
std::string OutcomeText(const pascal::TValue& result);

// "script result:<number>: <message>", every LF of the message made a blank.
std::string ErrorOutcome(const pascal::TScriptError& error);

}  // namespace varnelo::scripting
