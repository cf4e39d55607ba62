#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "pascal/interpreter.h"
#include "run_program.h"

namespace varnelo::pascal {
namespace {

// Room for one 32 MiB string in a list beside the argument that brought it, not for a second one.
constexpr int64_t kSmallBudget = int64_t(100) << 20;

testing::TRunOutcome RunWithBudget(const std::string& source, int64_t budget = kSmallBudget) {
  testing::TRunOutcome outcome;
  TInterpreterHost host;
  host.output = [&outcome](const std::string& text) { outcome.output += text; };
  TInterpreter interpreter(host);
  interpreter.SetMemoryLimit(budget);
  try {
    outcome.result = interpreter.Run(source);
  } catch (const TScriptError& error) {
    outcome.error = error;
  }
  return outcome;
}

const std::string kBig = "StringOfChar('x', 32 * 1024 * 1024)";

TEST(MemoryBudgetTest, EveryKindOfHolderRunsOutOfTheBudget) {
  struct TCase {
    const char* what;
    std::string source;
    int64_t budget = kSmallBudget;
  };
  const TCase cases[] = {
      {"a string list", "var l: TStringList; i: Integer;\nbegin\n  l := TStringList.Create;\n"
                        "  for i := 1 to 1000 do l.Add(" + kBig + ");\nend."},
      {"a string list, inserting", "var l: TStringList; s: string; i: Integer;\nbegin\n  l := TStringList.Create;\n"
                                   "  s := " + kBig + ";\n  for i := 1 to 1000 do l.Insert(0, s);\nend."},
      {"a string list under the smallest budget", "var l: TStringList;\nbegin\n  l := TStringList.Create;\n"
                                                  "  l.Add(" + kBig + ");\nend.", int64_t(64) << 20},
      {"an array of strings", "var a: array of string; i: Integer;\nbegin\n  SetLength(a, 1000);\n"
                              "  for i := 0 to 999 do a[i] := " + kBig + ";\nend."},
      {"a growing string", "var s, t: string; i: Integer;\nbegin\n  t := StringOfChar('y', 8 * 1024 * 1024);\n"
                           "  for i := 1 to 1000 do s := s + t;\nend.", int64_t(64) << 20},
      {"records of strings", "type TPair = record a, b: string; end;\nvar r: array[1..100] of TPair; i: Integer;\n"
                             "begin\n  for i := 1 to 100 do r[i].a := " + kBig + ";\nend."},
      {"an array of records", "type TPair = record a, b: Integer; end;\nvar r: array of array of TPair; i: Integer;\n"
                              "begin\n  SetLength(r, 1000);\n  for i := 0 to 999 do SetLength(r[i], 100000);\nend."},
      {"one array too large", "var a: array of Integer;\nbegin\n  SetLength(a, 1000000);\nend.", int64_t(16) << 20},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const auto outcome = RunWithBudget(c.source, c.budget);
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->Code(), TErrorCode::kOutOfMemory);
    EXPECT_EQ(outcome.error->Text(), "Out of memory");
  }
}

TEST(MemoryBudgetTest, AScriptCatchesItAndCarriesOnWithWhatItGaveBack) {
  const auto outcome = RunWithBudget(
      "var l: TStringList; i: Integer;\nbegin\n  l := TStringList.Create;\n  try\n"
      "    for i := 1 to 1000 do l.Add(" + kBig + ");\n"
      "  except\n    on E: Exception do WriteLn(E.ClassName, ': ', E.Message, ' after ', l.Count);\n  end;\n"
      "  l.Clear;\n  for i := 1 to 3 do begin l.Add(" + kBig + "); l.Delete(0); end;\n"
      "  Result := 'done';\nend.");
  ASSERT_FALSE(outcome.error.has_value()) << outcome.error->what();
  EXPECT_THAT(outcome.output, ::testing::MatchesRegex("EOutOfMemory: Out of memory after [12]\n"));
  EXPECT_EQ(outcome.result.AsString(), "done");
}

TEST(MemoryBudgetTest, WhatAScriptDropsNoLongerCounts) {
  const auto outcome = RunWithBudget(
      "var s: string; a: array of string; l: TStringList; i: Integer;\nbegin\n"
      "  for i := 1 to 20 do begin s := " + kBig + "; s := ''; end;\n"
      "  for i := 1 to 20 do begin SetLength(a, 1); a[0] := " + kBig + "; SetLength(a, 0); end;\n"
      "  for i := 1 to 20 do begin l := TStringList.Create; l.Add(" + kBig + "); l.Free; end;\n"
      "  Result := 'done';\nend.");
  ASSERT_FALSE(outcome.error.has_value()) << outcome.error->what();
  EXPECT_EQ(outcome.result.AsString(), "done");
}

TEST(MemoryBudgetTest, EachRunHasTheWholeBudgetAndTheDefaultIsAGibibyte) {
  EXPECT_EQ(TInterpreter::kDefaultMemoryLimit, int64_t(1) << 30);
  TInterpreterHost host;
  TInterpreter interpreter(host);
  interpreter.SetMemoryLimit(kSmallBudget);
  const std::string source =
      "var l: TStringList;\nbegin\n  l := TStringList.Create;\n  l.Add(" + kBig + ");\n  Result := l.Count;\nend.";
  for (int run = 0; run < 3; ++run) EXPECT_EQ(interpreter.Run(source).AsInteger(), 1);
  // The default lets what failed under the small budget through.
  const auto outcome = RunWithBudget(
      "var l: TStringList; i: Integer;\nbegin\n  l := TStringList.Create;\n"
      "  for i := 1 to 4 do l.Add(" + kBig + ");\n  Result := l.Count;\nend.",
      TInterpreter::kDefaultMemoryLimit);
  ASSERT_FALSE(outcome.error.has_value()) << outcome.error->what();
  EXPECT_EQ(outcome.result.AsInteger(), 4);
}

}  // namespace
}  // namespace varnelo::pascal
