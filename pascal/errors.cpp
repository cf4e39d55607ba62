#include "pascal/errors.h"

namespace varnelo::pascal {

namespace {

std::string Positioned(const std::string& text, int line, int column) {
  return "Line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + text;
}

}  // namespace

TScriptError::TScriptError(TErrorCode code, std::string text, int line, int column, bool catchable)
    : std::runtime_error(Positioned(text, line, column)),
      code_(code),
      text_(std::move(text)),
      line_(line),
      column_(column),
      catchable_(catchable) {}

std::string TScriptError::ExceptionClass() const {
  if (!exceptionClass_.empty()) return exceptionClass_;
  switch (code_) {
    case TErrorCode::kDivisionByZero: return "EDivByZero";
    case TErrorCode::kRangeError: return "ERangeError";
    case TErrorCode::kConversion: return "EConvertError";
    case TErrorCode::kDatabase: return "EDatabaseError";
    case TErrorCode::kOutOfMemory: return "EOutOfMemory";
    default: return "Exception";
  }
}

}  // namespace varnelo::pascal
