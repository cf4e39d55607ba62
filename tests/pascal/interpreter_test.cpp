#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_program.h"

namespace varnelo::pascal {
namespace {

using testing::RunProgram;

std::string Describe(const TValue& value) {
  switch (value.Kind()) {
    case TValueKind::kEmpty: return "empty";
    case TValueKind::kNull: return "null";
    case TValueKind::kInteger: return "integer " + std::to_string(value.AsInteger());
    case TValueKind::kFloat: return "float " + std::to_string(value.AsFloat());
    case TValueKind::kString: return "string " + value.AsString();
    case TValueKind::kBoolean: return value.AsBoolean() ? "boolean true" : "boolean false";
    case TValueKind::kObject: return value.AsObject() ? "object " + value.AsObject()->className : "object nil";
    case TValueKind::kSet: return "set " + std::to_string(value.AsSet().to_ullong());
    default: return "other";
  }
}

struct TProgramCase {
  const char* name;
  const char* source;
  const char* output;
  const char* result;
};

class ProgramTest : public ::testing::TestWithParam<TProgramCase> {};

TEST_P(ProgramTest, WritesAndReturns) {
  const TProgramCase& c = GetParam();
  auto outcome = RunProgram(c.source);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, c.output);
  EXPECT_EQ(Describe(outcome.result), c.result);
}

// Expected outputs were taken from Free Pascal (-Mdelphi) for the same programs.
const TProgramCase kPrograms[] = {
    {"NoResult", "begin end.", "", "empty"},
    {"IntegerResult", "begin Result := 42; end.", "", "integer 42"},
    {"BooleanResult", "program p; begin Result := 1 < 2; end.", "", "boolean true"},
    {"StringResult", "begin Result := 'a' + 'b'; end.", "", "string ab"},
    {"NilResult", "begin Result := nil; end.", "", "object nil"},
    {"SetResult", "begin Result := [0, 2]; end.", "", "set 5"},
    {"ExceptionObjectResult", "begin Result := Exception.Create('x'); end.", "", "object Exception"},
    {"CaseInsensitive", "VAR X: INTEGER; BeGiN x := 3; WRITELN(X * 2); eNd.", "6\n", "empty"},
    {"Comments", "begin { a } (* b *) // c\n WriteLn('ok'); end.", "ok\n", "empty"},
    {"StringEscapes", "begin WriteLn('it''s'#65#$42, ''''); end.", "it'sAB'\n", "empty"},
    {"HexAndReals", "var d: Double; begin d := 2.5; WriteLn($FF, ' ', 1.5e2:0:1, ' ', d); end.", "255 150.0  2.5000000000000000E+000\n", "empty"},
    {"RealWidths", "var d: Double; begin d := -1234.5; WriteLn(d:12, '|', d:0:3, '|', d:10:1); end.",
     "-1.2345E+003|-1234.500|   -1234.5\n", "empty"},
    {"WriteWidths", "begin WriteLn(7:3, 'ab':4, True:6, False); end.", "  7  ab  TRUEFALSE\n", "empty"},
    {"DivModTruncateTowardZero", "begin WriteLn(-7 div 2, ' ', -7 mod 2, ' ', 7 div -2, ' ', 7 mod -2); end.",
     "-3 -1 -3 1\n", "empty"},
    {"IntegerWrapsOnAssignment",
     "var i: Integer; b: Byte; begin i := 2147483647; Inc(i); b := 255; b := b + 1; WriteLn(i, ' ', b); end.",
     "-2147483648 0\n", "empty"},
    {"Int64Arithmetic", "var x: Int64; begin x := 3000000000; x := x * 3; WriteLn(x); end.", "9000000000\n", "empty"},
    {"RealDivision", "var d: Double; begin d := 7 / 2; WriteLn(d:0:2); Result := d; end.", "3.50\n", "float 3.500000"},
    {"ShortCircuit",
     "function F: Boolean; begin WriteLn('called'); Result := True; end;\n"
     "begin if False and F then WriteLn('no'); if True or F then WriteLn('yes'); end.",
     "yes\n", "empty"},
    {"ExitWithValue",
     "function F(n: Integer): Integer; begin if n > 0 then Exit(n * 2); Result := -1; end;\n"
     "begin WriteLn(F(4), ' ', F(0)); end.",
     "8 -1\n", "empty"},
    {"ExitFromMainKeepsResult", "begin Result := 5; Exit; Result := 6; end.", "", "integer 5"},
    {"ConstParameters", "function Twice(const s: string): string; begin Result := s + s; end;\nbegin WriteLn(Twice('ab')); end.",
     "abab\n", "empty"},
    {"ValueParametersAreCopies",
     "type TA = array[0..1] of Integer;\nprocedure P(a: TA); begin a[0] := 9; end;\n"
     "var x: TA; begin x[0] := 1; P(x); WriteLn(x[0]); end.",
     "1\n", "empty"},
    {"DynamicArraysAreShared",
     "var a, b: array of Integer; begin SetLength(a, 2); b := a; b[0] := 7; WriteLn(a[0]); "
     "SetLength(b, 3); b[1] := 5; WriteLn(a[1], ' ', Length(b)); end.",
     "7\n0 3\n", "empty"},
    {"OpenArrayParameterIndexesFromZero",
     "function Sum(const v: array of Integer): Integer; var i: Integer; begin Result := 0; "
     "for i := Low(v) to High(v) do Result := Result + v[i] * (i + 1); end;\n"
     "var s: array[5..7] of Integer; d: array of Integer;\n"
     "begin s[5] := 1; s[6] := 2; s[7] := 3; SetLength(d, 2); d[0] := 4; d[1] := 5; WriteLn(Sum(s), ' ', Sum(d)); end.",
     "14 14\n", "empty"},
    {"TwoDimensionalArray",
     "var m: array[1..2, 1..3] of Integer; i, j: Integer;\n"
     "begin for i := 1 to 2 do for j := 1 to 3 do m[i, j] := i * 10 + j; WriteLn(m[2][3], ' ', m[1, 2]); end.",
     "23 12\n", "empty"},
    {"RecordInArray",
     "type TP = record Name: string; Age: Integer; end;\nvar a: array[1..2] of TP;\n"
     "begin a[2].Name := 'Bob'; a[2].Age := 30; WriteLn(a[2].Name, a[2].Age, a[1].Age); end.",
     "Bob300\n", "empty"},
    {"NestedRoutineSeesOuterLocals",
     "procedure Outer; var n: Integer; procedure Bump; begin Inc(n); end; begin n := 1; Bump; Bump; WriteLn(n); end;\n"
     "begin Outer; end.",
     "3\n", "empty"},
    {"FunctionNameAsResult",
     "function Sum(n: Integer): Integer; begin if n = 0 then Sum := 0 else Sum := n + Sum(n - 1); end;\n"
     "begin WriteLn(Sum(100)); end.",
     "5050\n", "empty"},
    {"ReRaise",
     "begin try try raise Exception.Create('inner'); except WriteLn('log'); raise; end; "
     "except on E: Exception do WriteLn('outer ', E.Message); end; end.",
     "log\nouter inner\n", "empty"},
    {"HandlerOrder",
     "begin try StrToInt('x'); except on E: EDivByZero do WriteLn('div'); "
     "on E: EConvertError do WriteLn('conv ', E.ClassName); end; end.",
     "conv EConvertError\n", "empty"},
    {"FinallyRunsOnExit",
     "procedure P; begin try Exit; finally WriteLn('cleanup'); end; WriteLn('never'); end;\nbegin P; end.",
     "cleanup\n", "empty"},
    {"BreakLeavesInnerLoopOnly",
     "var i, j: Integer; begin for i := 1 to 2 do for j := 1 to 5 do begin if j = 2 then Break; Write(i, j, ' '); end; WriteLn; end.",
     "11 21 \n", "empty"},
    {"StringCase", "var s: string; begin s := 'two'; case s of 'one': WriteLn(1); 'two': WriteLn(2); end; end.", "2\n", "empty"},
    {"SetOperations",
     "var s: set of Byte; begin s := [1..3] + [7]; s := s - [2]; Include(s, 9); Exclude(s, 1); "
     "WriteLn(3 in s, 2 in s, 9 in s, s * [3, 7] = [7, 3]); end.",
     "TRUEFALSETRUETRUE\n", "empty"},
    {"CharLoopAndOrd",
     "var c: Char; n: Integer; begin n := 0; for c := 'a' to 'z' do n := n + Ord(c) - Ord('a'); WriteLn(n, Chr(Ord('A') + 2)); end.",
     "325C\n", "empty"},
    {"FormatDirectives", "begin WriteLn(Format('[%5d][%-4s][%.1f][%x][%s%%]', [42, 'ab', 2.25, 4095, 'p'])); end.",
     "[   42][ab  ][2.3][FFF][p%]\n", "empty"},
    {"FixedRoundingMatchesFreePascal",
     "var d: Double; begin d := 0.15; WriteLn(d:0:1, ' ', Format('%.1f', [d])); d := 2.675; WriteLn(d:0:2, ' ', Format('%.2f', [d]));\n"
     "d := 0.125; WriteLn(d:0:2, ' ', Format('%.2f', [d])); d := 2.5; WriteLn(d:0:0, ' ', Format('%.0f', [d])); end.",
     "0.2 0.1\n2.68 2.67\n0.13 0.13\n3 3\n", "empty"},
    {"FloatToStrForms",
     "var d: Double; begin d := 1 / 4; WriteLn(FloatToStr(d), ' ', FloatToStr(-2), ' ', FloatToStr(d * 1e-6)); end.",
     "0.25 -2 2.5E-7\n", "empty"},
    {"RoundIsBankers", "begin WriteLn(Round(0.5), Round(1.5), Round(-1.5), ' ', Trunc(-1.9)); end.", "02-2 -1\n", "empty"},
    {"TypedConstantsAndInitializedVars", "const K: Integer = 4; var v: Integer = 6; begin WriteLn(K * v); end.", "24\n", "empty"},
    {"EnumerationOrdinals",
     "type TDay = (Mon, Tue, Wed); var d: TDay; begin d := Wed; WriteLn(Ord(d), ' ', d = Wed, ' ', Ord(Tue)); end.",
     "2 TRUE 1\n", "empty"},
    {"UsesStandardUnits", "uses SysUtils, Classes, StrUtils, Math, Dialogs, DB; begin WriteLn('ok'); end.", "ok\n", "empty"},
    {"LanguageTour", R"pas(program t2;
uses SysUtils;
type
  TPoint = record X, Y: Integer; end;
  TColor = (Red, Green, Blue);
  TArr = array[1..5] of Integer;
const
  N = 5;
  Greeting = 'Hi';
var
  a: TArr; d: array of Integer; p, q: TPoint; i, j: Integer; s: string; c: Char; col: TColor;
  total: Int64; f: Double; ok: Boolean;

function Fact(n: Integer): Int64;
begin
  if n <= 1 then Result := 1 else Result := n * Fact(n - 1);
end;

procedure Swap(var x, y: Integer);
var t: Integer;
begin
  t := x; x := y; y := t;
end;

function Outer(k: Integer): Integer;
  function Inner(m: Integer): Integer;
  begin
    Inner := m + k;
  end;
begin
  Outer := Inner(10) * 2;
end;

function IsEven(n: Integer): Boolean; forward;
function IsOdd(n: Integer): Boolean;
begin
  if n = 0 then Result := False else Result := IsEven(n - 1);
end;
function IsEven(n: Integer): Boolean;
begin
  if n = 0 then Result := True else Result := IsOdd(n - 1);
end;

function FirstNeg(const v: array of Integer): Integer;
var k: Integer;
begin
  Result := -1;
  for k := 0 to High(v) do
    if v[k] < 0 then begin Result := k; Exit; end;
end;

begin
  for i := 1 to N do a[i] := i * i;
  Swap(a[1], a[5]);
  WriteLn(a[1], ' ', a[5]);
  SetLength(d, 3);
  d[0] := 4; d[1] := -2; d[2] := 7;
  WriteLn(Length(d), ' ', Low(d), ' ', High(d), ' ', FirstNeg(d));
  p.X := 1; p.Y := 2; q := p; q.X := 9;
  WriteLn(p.X, ',', p.Y, ' ', q.X);
  WriteLn(Fact(20));
  WriteLn(Outer(5));
  WriteLn(IsEven(10), ' ', IsOdd(7));
  s := 'Hello';
  s[1] := 'J';
  WriteLn(s, ' ', Length(s), ' ', s[2], ' ', Copy(s, 2, 3), ' ', Pos('ll', s));
  c := 'A'; Inc(c); WriteLn(c, Ord(c));
  col := Blue; WriteLn(Ord(col));
  total := 0; i := 0;
  while True do begin Inc(i); if i > 10 then Break; if Odd(i) then Continue; total := total + i; end;
  WriteLn(total);
  i := 0; repeat i := i + 3 until i > 10; WriteLn(i);
  for i := 3 downto 1 do Write(i); WriteLn;
  for c := 'a' to 'e' do Write(c); WriteLn;
  for i := 1 to 12 do
    case i of
      1: Write('one ');
      2, 3: Write('few ');
      4..9: Write('some ');
    else Write('many ');
    end;
  WriteLn;
  case 'x' of 'a'..'m': WriteLn('first'); 'n'..'z': WriteLn('second'); end;
  ok := (5 in [1, 3, 5..7]) and not (2 in [1, 3]);
  WriteLn(ok);
  WriteLn(7 xor 3, ' ', 7 and 3, ' ', 7 or 8, ' ', 1 shl 4, ' ', 256 shr 2, ' ', not 0);
  WriteLn(17 div 5, ' ', 17 mod 5, ' ', -17 div 5, ' ', -17 mod 5, ' ', 10 / 4:0:2);
  f := 2; WriteLn(f * 1.5:8:3);
  try
    i := 0;
    j := 10 div i;
  except
    on E: EDivByZero do WriteLn('div: ', E.Message);
  end;
  try
    raise Exception.Create('boom');
  except
    on E: Exception do WriteLn('caught ', E.Message);
  end;
  try
    try
      StrToInt('abc');
    finally
      WriteLn('finally');
    end;
  except
    on E: EConvertError do WriteLn(E.Message);
  end;
  WriteLn(UpperCase('abc'), LowerCase('DEF'), '[', Trim('  x  '), ']', '[', TrimLeft('  x  '), ']', '[', TrimRight('  x  '), ']');
  WriteLn(IntToStr(-42), StrToIntDef('zz', 7), StrToInt('$1F'), ' ', FloatToStr(0.1), ' ', StrToFloat('1.25'):0:2);
  WriteLn(Chr(65), Abs(-3), ' ', Sqr(4), ' ', Round(2.5), ' ', Round(2.6), ' ', Trunc(9.99));
  WriteLn(StringReplace('aXbxc', 'x', '-', [rfReplaceAll, rfIgnoreCase]), ' ', StringReplace('aXbxc', 'x', '-', []));
  WriteLn(QuotedStr('it''s'));
  WriteLn(Format('%d-%s-%.3f-%x-%%', [12, 'z', 1.0 / 3, 255]));
  s := 'abcdef'; Delete(s, 2, 2); WriteLn(s); Insert('XY', s, 2); WriteLn(s);
  WriteLn(Greeting + ' ' + 'there', #33);
  i := MaxInt; i := i + 1; WriteLn(i);
  WriteLn(High(Integer), ' ', Low(Integer));
end.
)pas", R"pas(25 1
3 0 2 1
1,2 9
2432902008176640000
30
TRUE TRUE
Jello 5 e ell 3
B66
2
30
12
321
abcde
one few few some some some some some some many many many 
second
TRUE
4 3 15 16 64 -1
3 2 -3 -2 2.50
   3.000
div: Division by zero
caught boom
finally
"abc" is an invalid integer
ABCdef[x][x  ][  x]
-42731 0.1 1.25
A3 16 2 3 9
a-b-c aXb-c
'it''s'
12-z-0.333-FF-%
adef
aXYdef
Hi there!
-2147483648
2147483647 -2147483648
)pas", "empty"},
};

INSTANTIATE_TEST_SUITE_P(Programs, ProgramTest, ::testing::ValuesIn(kPrograms),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnelo::pascal
