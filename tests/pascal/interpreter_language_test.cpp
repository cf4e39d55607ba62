#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "run_program.h"

namespace varnelo::pascal {
namespace {

using testing::RunProgram;

struct TOutputCase {
  const char* name;
  const char* source;
  const char* output;
};

class LanguageTest : public ::testing::TestWithParam<TOutputCase> {};

TEST_P(LanguageTest, WritesWhatFreePascalWrites) {
  auto outcome = RunProgram(GetParam().source);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, GetParam().output);
}

// Expected outputs were taken from Free Pascal (-Mdelphi) for the same programs.
const TOutputCase kLanguage[] = {
    {"EnumerationNamesAndOrdinals", R"pas(type TColor = (Red, gREEN, Blue);
var c: TColor;
begin
  c := Blue;
  WriteLn(Red, ' ', c, ' ', gREEN:8, '|', Succ(Red), ' ', Pred(c), ' ', Ord(c), ' ', Low(TColor), ' ', High(TColor));
  for c := Low(TColor) to High(TColor) do Write(c, ',');
  WriteLn;
  for c := High(TColor) downto Low(TColor) do Write(Ord(c));
  WriteLn;
  c := TColor(1);
  WriteLn(c, ' ', c > Red, ' ', Ord(High(TColor)), ' ', Low(c), ' ', High(c), ' ', gREEN:-3, '|');
  Write(Succ('a'), Pred(10), Succ(False));
  WriteLn;
end.)pas",
     "Red Blue gREEN   |gREEN gREEN 2 Red Blue\nRed,gREEN,Blue,\n210\ngREEN TRUE 2 Red Blue gREEN|\nb9TRUE\n"},
    {"EnumerationInRecordArrayAndCase", R"pas(type TDay = (Mon, Tue, Wed); TRec = record d: TDay; end;
var r: TRec; a: array[0..1] of TDay; d: TDay;
begin
  r.d := Tue; a[1] := Wed;
  WriteLn(r.d, a[0], a[1]);
  for d := Mon to Wed do
    case d of
      Mon: Write('m');
      Tue, Wed: Write(d);
    end;
  WriteLn;
end.)pas",
     "TueMonWed\nmTueWed\n"},
    {"OverloadsByCountAndType", R"pas(
function F(a: Integer): string; overload; begin Result := 'int'; end;
function F(const a: string): string; overload; begin Result := 'str'; end;
function F(a: Double): string; overload; begin Result := 'dbl'; end;
function F(a, b: Integer): string; overload; begin Result := 'int2'; end;
function F(c: Char): string; overload; begin Result := 'chr'; end;
var i: Integer; s: string; d: Double; ch: Char; i64: Int64;
begin
  i := 1; s := 'ab'; d := 1.5; ch := 'z'; i64 := 5;
  WriteLn(F(1), F('ab'), F(2.5), F(1, 2), F('q'), F(i), F(s), F(d), F(ch), F(i64), F(i + 1), F(i / 2), F(s + 'c'));
end.)pas",
     "intstrdblint2chrintstrdblchrintintdblstr\n"},
    {"OverloadedProceduresWithVarParameters", R"pas(
procedure Grow(var n: Integer); overload; begin n := n * 2; end;
procedure Grow(var s: string); overload; begin s := s + s; end;
var n: Integer; s: string;
begin
  n := 21; s := 'ab';
  Grow(n); Grow(s);
  WriteLn(n, ' ', s);
end.)pas",
     "42 abab\n"},
    {"DefaultParameters", R"pas(
procedure P(a: Integer; b: string = 'x'; c: Integer = 7);
begin WriteLn(a, b, c); end;
function Twice(n: Integer = 21): Integer; begin Result := n * 2; end;
begin
  P(1); P(2, 'y'); P(3, 'z', 4);
  WriteLn(Twice, ' ', Twice(), ' ', Twice(1));
end.)pas",
     "1x7\n2y7\n3z4\n42 42 2\n"},
    {"ForwardOverloads", R"pas(
function G(a: Integer): Integer; overload; forward;
function G(const a: string): Integer; overload; forward;
function G(a: Integer): Integer; begin Result := a + 1; end;
function G(const a: string): Integer; begin Result := Length(a); end;
begin WriteLn(G(1), G('abc')); end.)pas",
     "23\n"},
    {"UnitQualifiedNames", R"pas(program q;
uses SysUtils, Math;
var DB: Integer;
begin
  DB := 2;
  WriteLn(SysUtils.IntToStr(3), ' ', q.DB, ' ', SysUtils.Trim('  x '), ' ', System.Sqr(3));
end.)pas",
     "3 2 x 9\n"},
    {"VariablesReadInPlaceAndAliasedByVarParameters", R"pas(type TColor = (Red, Green, Blue);
var x, i: Integer; big: Int64; s: string; c: TColor; d: Double;
procedure Twice(var v: Integer; k: Integer);
begin
  v := v * 2 + k;
end;
function Sum(n: Integer): Int64;
begin
  if n = 0 then Exit(0);
  Result := n + Sum(n - 1);
end;
begin
  x := 3;
  Twice(x, x);
  WriteLn(x, ' ', Sum(100), ' ', x * x - x, ' ', x < x + 1, ' ', x = 9, ' ', x <> 9);
  s := 'ab'; s := s + s; s := s + 'c'; WriteLn(s);
  big := 2147483647; x := 0;
  for i := 1 to 3 do big := big + i;
  WriteLn(big);
  c := Blue; x := Ord(c); d := x; d := d + x;
  WriteLn(c, ' ', x, ' ', d:4:1);
  for i := 5 downto 3 do Write(i);
  WriteLn(i > 0);
end.)pas",
     "9 5050 72 TRUE TRUE FALSE\nababc\n2147483653\nBlue 2  4.0\n543TRUE\n"},    // The same nodes evaluated in frames of other shapes: a default argument from the main program and from a
    // function, a nested procedure writing its parent's result by name, handlers in a recursive function, and the
    // integer arithmetic done without building values.
    {"NamesResolvedInFramesOfEveryShape", R"pas(program Scopes;
uses SysUtils;
const Base = 10;
var g, k: Integer; big: Int64;

procedure Show(x: Integer = Base);
begin
  Write(x, ' ');
end;

function Outer(n: Integer): Integer;
var local: Integer;
  procedure Bump;
  begin
    local := local + n;
    Outer := local + g;
  end;
begin
  local := n * 2;
  Show;
  Show(local);
  Bump;
  if n > 0 then Outer := Result + Outer(n - 1);
end;

function Guarded(d: Integer): Integer;
begin
  try
    Result := 100 div d;
  except
    on E: EDivByZero do Result := -Length(E.Message) * 0 - d - 1;
  end;
end;

begin
  g := 1;
  Show;
  WriteLn(Outer(3));
  for k := -2 to 2 do Write(Guarded(k), ' ');
  WriteLn;
  k := 65536;
  k := k * k + 7;
  big := 65536;
  big := big * big + 7;
  WriteLn(k, ' ', big, ' ', -big div 3, ' ', -k mod 5, ' ', big div -1);
  k := 0;
  while k * k < 50 do k := k + 3;
  repeat k := k - 4 until k <= 0;
  WriteLn(k);
end.)pas",
     "10 10 6 10 4 10 2 10 0 22\n-50 -100 -1 100 50 \n7 4294967303 -1431655767 -2 -4294967303\n-3\n"},
};

INSTANTIATE_TEST_SUITE_P(Programs, LanguageTest, ::testing::ValuesIn(kLanguage),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OverloadTest, UnitOverloadsQualifiedNamesAndDefaultsDeclaredInTheInterface) {
  TInterpreterHost host;
  host.unitSource = [](const std::string& name) -> std::optional<std::string> {
    if (name != "MyUnit") return std::nullopt;
    return R"pas(unit MyUnit;
interface
const Limit = 10;
var Counter: Integer;
function Twice(a: Integer): Integer; overload;
function Twice(const s: string): string; overload;
procedure Bump;
function Describe(n: Integer; const name: string = 'none'): string;
implementation
uses SysUtils;
function Twice(a: Integer): Integer;
begin Result := a * 2; end;
function Twice(const s: string): string;
begin Result := s + s; end;
procedure Bump;
begin Inc(Counter); end;
function Describe(n: Integer; const name: string): string;
begin Result := IntToStr(n) + '=' + name; end;
end.)pas";
  };
  auto outcome = RunProgram(R"pas(program u1;
uses SysUtils, MyUnit;
var Math: Integer;
begin
  WriteLn(SysUtils.IntToStr(3), ' ', MyUnit.Twice(4), ' ', Twice(5), ' ', MyUnit.Twice('ab'), ' ', MyUnit.Limit);
  MyUnit.Counter := 7;
  MyUnit.Bump;
  WriteLn(Counter, ' ', Describe(2), ' ', Describe(2, 'two'));
  Math := 1;
  WriteLn(Math + 1);
end.)pas",
                            host);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "3 8 10 abab 10\n8 2=none 2=two\n2\n");
}

struct TRejectCase {
  const char* name;
  const char* source;
  TErrorCode code;
  const char* text;
};

class RejectTest : public ::testing::TestWithParam<TRejectCase> {};

TEST_P(RejectTest, IsAnError) {
  auto outcome = RunProgram(GetParam().source);
  ASSERT_TRUE(outcome.error) << outcome.output;
  EXPECT_EQ(outcome.error->Code(), GetParam().code) << outcome.error->what();
  EXPECT_EQ(outcome.error->Text(), GetParam().text);
}

const TRejectCase kRejected[] = {
    {"NoOverloadFits",
     "function F(a: Integer): Integer; overload; begin end;\nfunction F(const a: string): Integer; overload; begin end;\n"
     "begin F(True); end.",
     TErrorCode::kTypeMismatch, "Can't determine which overloaded function to call"},
    {"SameNameWithoutOverload", "procedure P(a: Integer); begin end;\nprocedure P(const a: string); begin end;\nbegin end.",
     TErrorCode::kSyntax, "Duplicate identifier \"p\""},
    {"SameParametersTwice",
     "procedure P(a: Integer); overload; begin end;\nprocedure P(b: Integer); overload; begin end;\nbegin end.",
     TErrorCode::kSyntax, "Duplicate identifier \"p\""},
    {"MissingArgumentWithoutDefault", "procedure P(a: Integer; b: Integer = 1); begin end;\nbegin P; end.",
     TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"p\""},
    {"DefaultBeforeRequired", "procedure P(a: Integer = 1; b: Integer); begin end;\nbegin end.", TErrorCode::kSyntax,
     "Default parameter required for \"b\""},
    {"UncaughtFileError", "var f: TextFile; begin AssignFile(f, '/nonexistent/dir/x.txt'); Reset(f); end.",
     TErrorCode::kUnhandledException, "Exception class EInOutError: File not found"},
};

INSTANTIATE_TEST_SUITE_P(Programs, RejectTest, ::testing::ValuesIn(kRejected),
                         [](const auto& info) { return std::string(info.param.name); });

// Text files live in a directory of their own, removed afterwards.
class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("varnelo_textfile_" + std::to_string(::getpid()) + "_" +
                                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // The program with every %DIR% replaced by the test's directory.
  std::string InDir(std::string source) const {
    for (size_t at; (at = source.find("%DIR%")) != std::string::npos;) source.replace(at, 5, dir_.string());
    return source;
  }
  std::string Contents(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void Put(const std::string& name, const std::string& contents) const {
    std::ofstream(dir_ / name, std::ios::binary) << contents;
  }

  std::filesystem::path dir_;
};

TEST_F(TextFileTest, WritesAppendsAndReadsBack) {
  auto outcome = RunProgram(InDir(R"pas(program f1;
uses SysUtils;
var f: TextFile; g: Text; s: string; i, j: Integer; c: Char; d: Double;
begin
  d := 1.5;
  AssignFile(f, '%DIR%/out.txt');
  Rewrite(f);
  WriteLn(f, 'hello ', 42, ' ', d, ' ', True, 3:4, 2.5:0:2);
  Write(f, 'a');
  Write(f, 'b');
  WriteLn(f);
  WriteLn(f, 10, ' ', 20);
  CloseFile(f);
  Assign(g, '%DIR%/out.txt');
  Append(g);
  WriteLn(g, 'appended');
  Close(g);
  AssignFile(f, '%DIR%/out.txt');
  Reset(f);
  while not Eof(f) do begin ReadLn(f, s); WriteLn('[', s, ']'); end;
  CloseFile(f);
  Reset(f);
  ReadLn(f);
  ReadLn(f);
  Read(f, i, j);
  WriteLn(i + j);
  ReadLn(f, s);
  WriteLn('rest [', s, ']', Eof(f));
  Read(f, c); WriteLn(Ord(c));
  ReadLn(f, s);
  WriteLn('[', s, ']', Eof(f));
  ReadLn(f, s);
  WriteLn('past [', s, ']', Eof(f));
  Read(f, i);
  WriteLn('int past ', i);
  CloseFile(f);
end.)pas"));
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output,
            "[hello 42  1.5000000000000000E+000 TRUE   32.50]\n[ab]\n[10 20]\n[appended]\n30\nrest []FALSE\n97\n"
            "[ppended]TRUE\npast []TRUE\nint past 0\n");
  EXPECT_EQ(Contents("out.txt"), "hello 42  1.5000000000000000E+000 TRUE   32.50\nab\n10 20\nappended\n");
}

TEST_F(TextFileTest, ReadsEveryLineEndAndNumbers) {
  Put("in.txt", "one\r\ntwo\rthree\n\n  12  -7\n 3.5 x\nlast");
  auto outcome = RunProgram(InDir(R"pas(
var f, h: TextFile; s: string; i: Integer; c: Char; d: Double; n: Integer;
begin
  AssignFile(f, '%DIR%/in.txt');
  Reset(f);
  n := 0;
  while not Eof(f) do begin ReadLn(f, s); Inc(n); WriteLn(n, '[', s, ']', Length(s)); end;
  CloseFile(f);
  Reset(f);
  Read(f, c); Read(f, c); Read(f, c); Read(f, c); WriteLn(Ord(c)); Read(f, c); WriteLn(Ord(c));
  Read(f, s); WriteLn('[', s, ']'); Read(f, s); WriteLn('[', s, ']');
  ReadLn(f); ReadLn(f, s); WriteLn('[', s, ']');
  Read(f, i); WriteLn(i); Read(f, i); WriteLn(i);
  ReadLn(f); Read(f, d); WriteLn(d:0:2);
  try Read(f, i); except on E: Exception do WriteLn(E.ClassName, ' ', E.Message); end;
  ReadLn(f, s); WriteLn('[', s, ']');
  ReadLn(f, s); WriteLn('[', s, ']', Eof(f));
  Read(f, c); WriteLn(Ord(c));
  CloseFile(f);
  try Rewrite(h); except on E: Exception do WriteLn(E.ClassName, ' ', E.Message); end;
  AssignFile(h, '%DIR%/in.txt');
  Reset(h); Reset(h); ReadLn(h, s); WriteLn(s);
  Rewrite(h); WriteLn(h, 'x'); CloseFile(h);
  Reset(h); WriteLn(EOF(h)); ReadLn(h, s); WriteLn(s, Eof(h)); CloseFile(h);
end.)pas"));
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output,
            "1[one]3\n2[two]3\n3[three]5\n4[]0\n5[  12  -7]8\n6[ 3.5 x]6\n7[last]4\n13\n10\n[two]\n[]\n[three]\n12\n-7\n"
            "3.50\nEInOutError Invalid input\n[]\n[last]TRUE\n26\nEInOutError File not assigned\none\nFALSE\nxTRUE\n");
}

TEST_F(TextFileTest, ErrorsAreCatchableWithFreePascalMessages) {
  auto outcome = RunProgram(InDir(R"pas(program f2;
uses SysUtils;
var f: TextFile; s: string; i: Integer;
procedure T(n: Integer);
begin
  try
    case n of
      1: begin AssignFile(f, '%DIR%/nope/none.txt'); Reset(f); end;
      2: begin AssignFile(f, '%DIR%/out.txt'); Reset(f); WriteLn(f, 'x'); end;
      3: begin AssignFile(f, '%DIR%/w.txt'); Rewrite(f); ReadLn(f, s); end;
      4: begin CloseFile(f); CloseFile(f); end;
      5: begin AssignFile(f, '%DIR%/w.txt'); WriteLn(f, 'x'); end;
      6: begin AssignFile(f, '%DIR%/w.txt'); WriteLn(Eof(f)); end;
      7: begin AssignFile(f, '%DIR%/nope/x.txt'); Rewrite(f); end;
      8: begin AssignFile(f, '%DIR%/nope.txt'); Append(f); end;
      9: begin AssignFile(f, '%DIR%/out.txt'); Reset(f); Read(f, i); WriteLn(i); end;
      10: begin AssignFile(f, '%DIR%'); Reset(f); ReadLn(f, s); end;
      12: begin AssignFile(f, '%DIR%/nofile.txt'); Reset(f); end;
    end;
    WriteLn(n, ' no error');
  except
    on E: EInOutError do WriteLn(n, ' ', E.ClassName, ': ', E.Message, ' ', E.ErrorCode);
    on E: Exception do WriteLn(n, ' ', E.ClassName, ': ', E.Message);
  end;
  try CloseFile(f); except end;
end;
var n: Integer;
begin
  AssignFile(f, '%DIR%/out.txt'); Rewrite(f); WriteLn(f, 'hello'); CloseFile(f);
  for n := 1 to 12 do if n <> 11 then T(n);
end.)pas"));
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output,
            "1 EInOutError: File not found 2\n2 EInOutError: File not open for output 105\n"
            "3 EInOutError: File not open for input 104\n4 EInOutError: File not open 103\n"
            "5 EInOutError: File not open 103\n6 EInOutError: File not open 103\n7 EInOutError: File not found 2\n"
            "8 EInOutError: File not found 2\n9 EInOutError: Invalid input 106\n10 EInOutError: Access denied 5\n"
            "12 EInOutError: File not found 2\n");
}

TEST_F(TextFileTest, FilesLeftOpenAreClosedWhenTheRunEnds) {
  TInterpreterHost host;
  host.unitSource = [this](const std::string& name) -> std::optional<std::string> {
    if (name != "Logger") return std::nullopt;
    return InDir(R"pas(unit Logger;
interface
var LogFile: TextFile;
implementation
begin
  AssignFile(LogFile, '%DIR%/unit.txt'); Rewrite(LogFile); WriteLn(LogFile, 'from the unit');
end.)pas");
  };
  for (const char* ending : {"end.", "raise Exception.Create('stop'); end."}) {
    auto outcome = RunProgram(InDir(std::string(R"pas(uses Logger;
var f: TextFile;
begin
  AssignFile(f, '%DIR%/left.txt'); Rewrite(f); WriteLn(f, 'kept'); Write(f, 'no line end');
)pas") + ending),
                              host);
    EXPECT_EQ(Contents("left.txt"), "kept\nno line end") << ending;
    EXPECT_EQ(Contents("unit.txt"), "from the unit\n") << ending;
  }
}

TEST(RecursionTest, DeepRecursionThroughNewCallPathsIsAnError) {
  // Overload selection, default arguments and file writes each add frames of their own.
  for (const char* source : {
           "function F(n: Integer; d: Integer = 1): Integer; overload; begin Result := F(n + d) + 1; end;\n"
           "function F(const s: string): Integer; overload; begin Result := 0; end;\nbegin WriteLn(F(1)); end.",
           "type TC = (A, B); function G(c: TC): TC; begin Result := G(Succ(Pred(c))); end;\nbegin WriteLn(G(B)); end.",
       }) {
    auto outcome = RunProgram(source);
    ASSERT_TRUE(outcome.error) << source;
    EXPECT_EQ(outcome.error->Code(), TErrorCode::kStackOverflow) << outcome.error->what();
  }
}

}  // namespace
}  // namespace varnelo::pascal
