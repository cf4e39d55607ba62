#include <gtest/gtest.h>

#include <string>

#include "run_program.h"

namespace varnelo::pascal {
namespace {

using testing::RunProgram;

struct TErrorCase {
  const char* name;
  const char* source;
  TErrorCode code;
  int line;
  int column;
  const char* text;
  const char* outputBefore;
};

class ErrorTest : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(ErrorTest, EndsTheRunWithNumberAndPosition) {
  const TErrorCase& c = GetParam();
  auto outcome = RunProgram(c.source);
  ASSERT_TRUE(outcome.error) << "no error; output: " << outcome.output;
  EXPECT_EQ(outcome.error->Code(), c.code) << outcome.error->what();
  EXPECT_EQ(outcome.error->Number(), static_cast<int>(c.code));
  EXPECT_EQ(outcome.error->Line(), c.line) << outcome.error->what();
  EXPECT_EQ(outcome.error->Column(), c.column) << outcome.error->what();
  EXPECT_EQ(outcome.error->Text(), c.text);
  EXPECT_EQ(std::string(outcome.error->what()),
            "Line " + std::to_string(c.line) + ", column " + std::to_string(c.column) + ": " + c.text);
  EXPECT_EQ(outcome.output, c.outputBefore);
}

const TErrorCase kErrors[] = {
    {"MissingSemicolon", "begin\n  WriteLn(1)\n  WriteLn(2);\nend.", TErrorCode::kSyntax, 3, 3,
     "\"end\" expected but \"WriteLn\" found", ""},
    {"MissingFinalDot", "begin end", TErrorCode::kSyntax, 1, 10, "\".\" expected but end of file found", ""},
    {"UnterminatedString", "begin\n WriteLn('abc);\nend.", TErrorCode::kSyntax, 2, 16, "Unterminated string", ""},
    {"UnterminatedComment", "begin { never closed\nend.", TErrorCode::kSyntax, 1, 7, "Unterminated comment", ""},
    {"IllegalCharacter", "begin\n  x := 1 ? 2;\nend.", TErrorCode::kSyntax, 2, 10, "Illegal character '?'", ""},
    {"UnknownIdentifier", "begin\n  WriteLn(1);\n  x := 2;\nend.", TErrorCode::kUnknownIdentifier, 3, 3,
     "Identifier not found \"x\"", "1\n"},
    {"UnknownType", "var a: TFoo; begin end.", TErrorCode::kUnknownIdentifier, 1, 8, "Identifier not found \"TFoo\"", ""},
    {"AssignStringToInteger", "var i: Integer;\nbegin i := 'a'; end.", TErrorCode::kTypeMismatch, 2, 12,
     "Incompatible types: got \"Char\" expected \"integer\"", ""},
    {"AssignToConstant", "const K = 1;\nbegin\n K := 2; end.", TErrorCode::kSyntax, 3, 2, "Variable identifier expected", ""},
    {"DivisionByZero", "var i: Integer;\nbegin i := 0;\n  WriteLn(10 div i); end.", TErrorCode::kDivisionByZero, 3, 14,
     "Division by zero", ""},
    {"RealDivisionByZero", "var d: Double;\nbegin d := 1 / 0; end.", TErrorCode::kDivisionByZero, 2, 14, "Division by zero", ""},
    {"ArrayIndexOutOfRange", "var a: array[1..3] of Integer;\nbegin a[4] := 1; end.", TErrorCode::kRangeError, 2, 9,
     "Range check error", ""},
    {"StringIndexOutOfRange", "var s: string;\nbegin s := 'ab'; WriteLn(s[3]); end.", TErrorCode::kRangeError, 2, 28,
     "Range check error", ""},
    {"InvalidInteger", "begin\n  WriteLn(StrToInt('12x'));\nend.", TErrorCode::kConversion, 2, 11, "\"12x\" is an invalid integer", ""},
    {"UnhandledException", "begin\n  WriteLn('a');\n  raise Exception.Create('bad thing');\nend.",
     TErrorCode::kUnhandledException, 3, 3, "Exception class Exception: bad thing", "a\n"},
    {"WrongArgumentCount", "procedure P(a: Integer); begin end;\nbegin P(1, 2); end.", TErrorCode::kTypeMismatch, 2, 7,
     "Wrong number of parameters specified for call to \"p\"", ""},
    {"InfiniteRecursion", "procedure P; begin P; end;\nbegin P; end.", TErrorCode::kStackOverflow, 1, 20, "Stack overflow", ""},
    {"ForwardNotSolved", "procedure P; forward;\nbegin end.", TErrorCode::kSyntax, 1, 11, "Forward declaration not solved \"p\"", ""},
    {"MissingUnit", "uses Nowhere;\nbegin end.", TErrorCode::kUnitNotFound, 1, 6, "Can't find unit Nowhere", ""},
    {"RunawayString", "var s: string;\nbegin s := 'ab'; while True do s := s + s; end.", TErrorCode::kRuntime, 2, 39,
     "Out of memory: string too long", ""},
    {"BreakOutsideLoop", "procedure P; begin Break; end;\nbegin while True do P; end.", TErrorCode::kSyntax, 1, 20,
     "Break outside a loop", ""},
    {"BooleanConditionRequired", "begin\n if 1 then WriteLn(1); end.", TErrorCode::kTypeMismatch, 2, 5, "Boolean expression expected", ""},
};

INSTANTIATE_TEST_SUITE_P(Errors, ErrorTest, ::testing::ValuesIn(kErrors),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ErrorTest, ConversionErrorsCanBeHandledByTheScript) {
  auto outcome = RunProgram("var i: Integer; begin try i := StrToInt('q'); except Result := 'handled'; end; end.");
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.result.AsString(), "handled");
}

TEST(ErrorTest, StackOverflowCannotBeHandledByTheScript) {
  auto outcome = RunProgram(
      "procedure P; begin P; end;\nbegin try P; except WriteLn('caught'); end; end.");
  ASSERT_TRUE(outcome.error);
  EXPECT_EQ(outcome.error->Code(), TErrorCode::kStackOverflow);
  EXPECT_EQ(outcome.output, "");
}

TEST(ErrorTest, CallDepthLimitIsAnError) {
  TInterpreter interpreter({});
  interpreter.SetMaxCallDepth(50);
  const char* source = "var n: Integer; procedure P(d: Integer); begin n := d; if d < 100 then P(d + 1); end; begin P(1); end.";
  try {
    interpreter.Run(source);
    FAIL() << "no error";
  } catch (const TScriptError& error) {
    EXPECT_EQ(error.Code(), TErrorCode::kStackOverflow);
  }
  interpreter.SetMaxCallDepth(200);
  EXPECT_NO_THROW(interpreter.Run(source));
}

TEST(ErrorTest, DeeplyNestedSourceIsASyntaxError) {
  std::string source = "begin Result := " + std::string(3000, '(') + "1" + std::string(3000, ')') + "; end.";
  auto outcome = RunProgram(source);
  ASSERT_TRUE(outcome.error);
  EXPECT_EQ(outcome.error->Code(), TErrorCode::kSyntax);
  EXPECT_EQ(outcome.error->Text(), "Nesting too deep");
}

}  // namespace
}  // namespace varnelo::pascal
