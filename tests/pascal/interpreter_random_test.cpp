#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pascal/interpreter.h"

namespace varnelo::pascal {
namespace {

// Programs that touch most of the language, to be mutated.
const char* const kSeeds[] = {
    "program p; uses SysUtils;\ntype TP = record X, Y: Integer; end; TC = (Red, Green);\n"
    "const N = 3; S = 'abc';\nvar a: array[1..3] of Integer; d: array of string; r: TP; i: Integer; c: Char; f: Double;\n"
    "function Fib(n: Integer): Integer; begin if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2); end;\n"
    "procedure Swap(var x, y: Integer); var t: Integer; begin t := x; x := y; y := t; end;\n"
    "begin\n  for i := 1 to N do a[i] := Fib(i + 5);\n  Swap(a[1], a[3]);\n  SetLength(d, 2); d[0] := S + IntToStr(a[1]);\n"
    "  r.X := Length(d[0]); f := r.X / 3;\n  case a[2] of 1..5: WriteLn('low'); 8, 13: WriteLn('fib') else WriteLn('?') end;\n"
    "  c := 'q'; if c in ['a'..'z'] then WriteLn(UpperCase(c), f:0:2, Format('%d %s %x', [a[1], d[0], 255]));\n"
    "  try raise Exception.Create('x'); except on E: Exception do WriteLn(E.Message); end;\n"
    "  i := 0; while i < 10 do begin Inc(i); if Odd(i) then Continue; if i > 6 then Break; end;\n"
    "  repeat Dec(i) until i <= 0;\n  Result := StringReplace(d[0], 'a', 'b', [rfReplaceAll]);\nend.",
    "var s: string; k: Int64;\nfunction Up(const t: string): string; begin Result := Trim(UpperCase(t)); end;\n"
    "begin s := '  hello  '; s := Up(s); Delete(s, 1, 1); Insert('J', s, 1); k := StrToIntDef(s, 7) shl 3;\n"
    "  try k := k div (k - k); finally WriteLn(s, k, Pos('L', s), Copy(s, 2, 2), QuotedStr(s)); end; end.",
};

TValue RunGuarded(const std::string& source) {
  int steps = 0;
  TInterpreterHost host;
  host.afterStatement = [&steps] { return ++steps < 5000; };
  host.output = [](const std::string&) {};
  host.unknownIdentifier = [](const std::string& name) -> std::optional<TValue> {
    if (name.size() == 1) return TValue::Integer(1);
    return std::nullopt;
  };
  host.unitSource = [](const std::string& name) -> std::optional<std::string> {
    if (name == "loop") return std::string("unit loop; interface uses loop; implementation end.");
    return std::nullopt;
  };
  TInterpreter interpreter(host);
  try {
    return interpreter.Run(source);
  } catch (const TScriptError& error) {
    EXPECT_GT(error.Number(), 0);
    EXPECT_GT(error.Line(), 0);
  }
  return TValue();
}

std::string Mutate(std::string text, std::mt19937& random) {
  static const char* const kPieces[] = {"begin", "end", ";", "(", ")", "[", "]", "'", "..", ":=", "{", "(*", "#",
                                        "$", "999999999999", "-", "div", "0", "nil", ".", ",", "if", "then", "else",
                                        "do", "of", "raise", "Result", "^", "@", "\n", "try", "except", "finally"};
  int mutations = 1 + static_cast<int>(random() % 4);
  for (int m = 0; m < mutations && !text.empty(); ++m) {
    size_t at = random() % text.size();
    size_t length = 1 + random() % 12;
    switch (random() % 4) {
      case 0: text.erase(at, length); break;
      case 1: text.insert(at, text.substr(random() % text.size(), length)); break;
      case 2: text.insert(at, kPieces[random() % std::size(kPieces)]); break;
      default: text[at] = static_cast<char>(random() % 256); break;
    }
  }
  return text;
}

TEST(RandomInputTest, SeedsRunCleanly) {
  std::string output;
  TInterpreterHost host;
  host.output = [&output](const std::string& text) { output += text; };
  TInterpreter interpreter(host);
  TValue result = interpreter.Run(kSeeds[0]);
  ASSERT_EQ(result.Kind(), TValueKind::kString);
  EXPECT_EQ(result.AsString(), "bbc21");
  EXPECT_EQ(output, "fib\nQ1.6721 abc21 FF\nx\n");
  output.clear();
  try {
    interpreter.Run(kSeeds[1]);
    ADD_FAILURE() << "no error";
  } catch (const TScriptError& error) {
    // The second seed ends on its division by zero, after its finally part.
    EXPECT_EQ(error.Code(), TErrorCode::kDivisionByZero) << error.what();
  }
  EXPECT_EQ(output, "JELLO563EL'JELLO'\n");
}

TEST(RandomInputTest, MutatedProgramsEndInAResultOrAnError) {
  std::mt19937 random(20261210);
  for (int i = 0; i < 10000; ++i) {
    std::string source = Mutate(kSeeds[i % std::size(kSeeds)], random);
    SCOPED_TRACE(source);
    RunGuarded(source);
    if (HasFatalFailure() || HasNonfatalFailure()) return;
  }
}

TEST(RandomInputTest, RandomBytesEndInAResultOrAnError) {
  std::mt19937 random(7);
  for (int i = 0; i < 5000; ++i) {
    std::string source(random() % 200, '\0');
    for (char& c : source) c = static_cast<char>(random() % 256);
    if (i % 2 == 0) source = "begin " + source + " end.";
    RunGuarded(source);
  }
  EXPECT_EQ(RunGuarded("uses loop; begin Result := 1; end.").AsInteger(), 1);
}

}  // namespace
}  // namespace varnelo::pascal
