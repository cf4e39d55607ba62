#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>
#include <string>
#include <vector>

#include "run_program.h"

namespace varnelo::pascal {
namespace {

using testing::RunProgram;

TEST(HostTest, UnknownIdentifiersAreAskedOfTheHostAsWritten) {
  std::vector<std::string> asked;
  TInterpreterHost host;
  host.unknownIdentifier = [&](const std::string& name) -> std::optional<TValue> {
    asked.push_back(name);
    if (name == "URL" || name == "url") return TValue::String("http://a/");
    if (name == "extractedItems") return TValue::Object(nullptr);
    return std::nullopt;
  };
  auto outcome = RunProgram("begin WriteLn(URL); if extractedItems = nil then Result := 'none'; end.", host);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "http://a/\n");
  EXPECT_EQ(outcome.result.AsString(), "none");
  EXPECT_EQ(asked, (std::vector<std::string>{"URL", "extractedItems"}));

  auto unknown = RunProgram("begin\n  WriteLn(other); end.", host);
  ASSERT_TRUE(unknown.error);
  EXPECT_EQ(unknown.error->Code(), TErrorCode::kUnknownIdentifier);
  EXPECT_EQ(unknown.error->Line(), 2);
}

TEST(HostTest, DeclaredNamesAreNotAskedOfTheHost) {
  int asked = 0;
  TInterpreterHost host;
  host.unknownIdentifier = [&](const std::string&) -> std::optional<TValue> {
    ++asked;
    return TValue::Integer(1);
  };
  auto outcome = RunProgram("var url: string; begin url := 'mine'; Result := url; end.", host);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.result.AsString(), "mine");
  EXPECT_EQ(asked, 0);
}

TEST(HostTest, UnitsComeFromTheHost) {
  std::map<std::string, std::string> units = {
      {"Helpers",
       "unit Helpers;\ninterface\nuses Tools;\nconst Base = 10;\nfunction AddBase(n: Integer): Integer;\n"
       "implementation\nvar calls: Integer;\n"
       "function AddBase(n: Integer): Integer;\nbegin Inc(calls); Result := n + Base + Twice(calls); end;\n"
       "initialization\n  WriteLn('helpers ready');\nend."},
      {"Tools", "unit Tools;\ninterface\nfunction Twice(n: Integer): Integer;\nimplementation\n"
                "function Twice(n: Integer): Integer; begin Result := 2 * n; end;\nend."},
  };
  std::vector<std::string> asked;
  TInterpreterHost host;
  host.unitSource = [&](const std::string& name) -> std::optional<std::string> {
    asked.push_back(name);
    auto found = units.find(name);
    if (found == units.end()) return std::nullopt;
    return found->second;
  };
  auto outcome = RunProgram("uses SysUtils, Helpers;\nbegin WriteLn(AddBase(1)); Result := AddBase(1); end.", host);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "helpers ready\n13\n");
  EXPECT_EQ(outcome.result.AsInteger(), 15);
  // Units are asked for as the script spells them, so a host can find their files by name.
  EXPECT_EQ(asked, (std::vector<std::string>{"Helpers", "Tools"}));
}

TEST(HostTest, ErrorsInAUnitNameTheirPositionInTheUnit) {
  TInterpreterHost host;
  host.unitSource = [](const std::string&) -> std::optional<std::string> {
    return std::string("unit Broken;\ninterface\nimplementation\nbegin\n  x := 1;\nend.");
  };
  auto outcome = RunProgram("uses Broken; begin end.", host);
  ASSERT_TRUE(outcome.error);
  EXPECT_EQ(outcome.error->Code(), TErrorCode::kUnknownIdentifier);
  EXPECT_EQ(outcome.error->Line(), 5);
}

TEST(HostTest, UnitsUsingEachOtherLoadOnce) {
  TInterpreterHost host;
  int loads = 0;
  host.unitSource = [&](const std::string& name) -> std::optional<std::string> {
    ++loads;
    std::string other = name == "A" ? "B" : "A";
    return "unit " + name + ";\ninterface\nuses " + other + ";\nimplementation\nend.";
  };
  auto outcome = RunProgram("uses A; begin Result := 1; end.", host);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(loads, 2);
}

TEST(HostTest, StepHookIsCalledAfterStatementsAndCanStop) {
  int steps = 0;
  TInterpreterHost host;
  host.afterStatement = [&] { return ++steps < 100; };
  auto outcome = RunProgram("var i: Integer;\nbegin\n  while True do\n    Inc(i);\nend.", host);
  ASSERT_TRUE(outcome.error);
  EXPECT_EQ(outcome.error->Code(), TErrorCode::kStopped);
  EXPECT_EQ(outcome.error->Text(), "stopped");
  EXPECT_EQ(steps, 100);
}

TEST(HostTest, StopCannotBeHandledByTheScript) {
  bool stop = false;
  TInterpreterHost host;
  host.afterStatement = [&] { return !stop; };
  host.unknownIdentifier = [&](const std::string&) -> std::optional<TValue> {
    stop = true;
    return TValue::Integer(0);
  };
  auto outcome = RunProgram("begin try Result := Halt; except Result := 'caught'; end; end.", host);
  ASSERT_TRUE(outcome.error);
  EXPECT_EQ(outcome.error->Code(), TErrorCode::kStopped);
}

// The stop request is raised from another thread while the script loops or sleeps; nothing in the
// script can go on past it.
TEST(HostTest, StopRequestEndsLoopsAndSleeps) {
  const char* const scripts[] = {
      "begin while True do ; end.",
      "begin repeat until False; end.",
      "begin while True do try Sleep(10000); except end; end.",
      "begin try while True do Sleep(10000); finally while True do ; end; end.",
  };
  for (const char* script : scripts) {
    std::atomic<bool> stop{false};
    TInterpreterHost host;
    host.stopRequested = [&] { return stop.load(); };
    std::thread stopper([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    auto outcome = RunProgram(script, host);
    const auto took = std::chrono::steady_clock::now() - start;
    stopper.join();
    ASSERT_TRUE(outcome.error) << script;
    EXPECT_EQ(outcome.error->Code(), TErrorCode::kStopped) << script;
    // A sleep that is not cut short would take its whole 10 s.
    EXPECT_LT(took, std::chrono::seconds(5)) << script;
  }
}

TEST(HostTest, SleepWithAStopHookStillChecksItsArgument) {
  TInterpreterHost host;
  host.stopRequested = [] { return false; };
  auto outcome = RunProgram("begin Sleep('long'); end.", host);
  ASSERT_TRUE(outcome.error);
  EXPECT_NE(outcome.error->Code(), TErrorCode::kStopped);
  EXPECT_FALSE(RunProgram("begin Sleep(20); Result := 1; end.", host).error);
}

TEST(HostTest, OutputArrivesPerWriteCall) {
  std::vector<std::string> pieces;
  TInterpreterHost host;
  host.output = [&](const std::string& text) { pieces.push_back(text); };
  TInterpreter interpreter(host);
  interpreter.Run("begin Write('a', 1); WriteLn; WriteLn('b'); end.");
  EXPECT_EQ(pieces, (std::vector<std::string>{"a1", "\n", "b\n"}));
}

TEST(HostTest, AnInterpreterRunsAgainFromScratch) {
  TInterpreter interpreter({});
  EXPECT_EQ(interpreter.Run("var n: Integer; begin Inc(n); Result := n; end.").AsInteger(), 1);
  EXPECT_EQ(interpreter.Run("var n: Integer; begin Inc(n); Result := n; end.").AsInteger(), 1);
  EXPECT_EQ(interpreter.Run("begin end.").Kind(), TValueKind::kEmpty);
}

}  // namespace
}  // namespace varnelo::pascal
