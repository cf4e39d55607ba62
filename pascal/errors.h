#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace varnelo::pascal {

// Error numbers a host can rely on; the message always names the line and column.
enum class TErrorCode : int {
  kSyntax = 1,
  kUnknownIdentifier = 2,
  kTypeMismatch = 3,
  kRuntime = 4,
  kDivisionByZero = 5,
  kRangeError = 6,
  kConversion = 7,
  kUnhandledException = 8,
  kStackOverflow = 9,
  kStopped = 10,
  kUnitNotFound = 11,
  kDatabase = 12,
  kScriptNotFound = 13,  // the host could not read the script itself
  kOutOfMemory = 14,     // the run's memory budget is spent
};

// An error of the interpreter. Catchable errors (division by zero, conversions...) can be handled by the
// script's own try..except; a stop or a stack overflow always ends the run.
class TScriptError : public std::runtime_error {
 public:
  TScriptError(TErrorCode code, std::string text, int line, int column, bool catchable = false);

  int Number() const { return static_cast<int>(code_); }
  TErrorCode Code() const { return code_; }
  const std::string& Text() const { return text_; }  // the message without its position
  int Line() const { return line_; }
  int Column() const { return column_; }
  bool Catchable() const { return catchable_; }
  // The class name an except handler sees when the script catches this error.
  std::string ExceptionClass() const;
  // Library errors name their own class (EStringListError...).
  void SetExceptionClass(std::string className) { exceptionClass_ = std::move(className); }

 private:
  TErrorCode code_;
  std::string text_;
  int line_;
  int column_;
  bool catchable_;
  std::string exceptionClass_;
};

}  // namespace varnelo::pascal
