#pragma once

#include <optional>
#include <string>

#include "pascal/interpreter.h"

namespace varnelo::pascal::testing {

// What one run left behind: its output, its result or its error.
struct TRunOutcome {
  std::string output;
  TValue result;
  std::optional<TScriptError> error;
};

inline TRunOutcome RunProgram(const std::string& source, TInterpreterHost host = {}) {
  TRunOutcome outcome;
  host.output = [&outcome](const std::string& text) { outcome.output += text; };
  TInterpreter interpreter(host);
  try {
    outcome.result = interpreter.Run(source);
  } catch (const TScriptError& error) {
    outcome.error = error;
  }
  return outcome;
}

}  // namespace varnelo::pascal::testing
