// Library routines where the interpreter's behaviour is its own rather than Free Pascal's (which the corpus checks).
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "run_program.h"

namespace varnelo::pascal {
namespace {

using testing::RunProgram;

struct TLibraryCase {
  const char* name;
  const char* source;
  const char* output;
};

class LibraryProgramTest : public ::testing::TestWithParam<TLibraryCase> {};

TEST_P(LibraryProgramTest, Writes) {
  auto outcome = RunProgram(GetParam().source);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, GetParam().output);
}

const TLibraryCase kLibraryPrograms[] = {
    // Free Pascal wraps such values into an Integer without a word; a script author expects the error.
    {"StrToIntRefusesWhatAnIntegerCannotHold",
     "var i: Integer; k: Int64;\n"
     "begin i := 1;\n"
     "  try i := StrToInt('3000000000'); except on E: EConvertError do WriteLn(E.ClassName, ' ', E.Message); end;\n"
     "  try i := StrToInt('-2147483649'); except on E: EConvertError do WriteLn(E.Message); end;\n"
     "  WriteLn(StrToInt('-2147483648'), ' ', StrToIntDef('2147483648', -1), ' ', TryStrToInt('99999999999', i), ' ', i);\n"
     "  WriteLn(StrToInt64('3000000000'), ' ', TryStrToInt64('3000000000', k), ' ', k); end.",
     "EConvertError \"3000000000\" is an invalid integer\n\"-2147483649\" is an invalid integer\n"
     "-2147483648 -1 FALSE 0\n3000000000 TRUE 3000000000\n"},
    {"FloatErrorsAreCatchable",
     "var x: Double; begin x := -1;\n"
     "  try x := Sqrt(x); except on E: EInvalidOp do WriteLn(E.ClassName); end;\n"
     "  try x := Power(-8, 1 / 3); except on E: Exception do WriteLn(E.ClassName); end;\n"
     "  try WriteLn(Floor(1e300)); except on E: ERangeError do WriteLn(E.ClassName); end; end.",
     "EInvalidOp\nEInvalidOp\nERangeError\n"},
    {"BuiltinsWithoutArgumentsNeedNoParentheses",
     "var t: string; begin t := GetTempDir; WriteLn(t = GetTempDir(), ' ', t[Length(t)]); end.", "TRUE /\n"},
};

INSTANTIATE_TEST_SUITE_P(Library, LibraryProgramTest, ::testing::ValuesIn(kLibraryPrograms),
                         [](const ::testing::TestParamInfo<TLibraryCase>& info) { return info.param.name; });

// Sets an environment variable for one test and puts the old value back.
class TScopedVariable {
 public:
  TScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  TScopedVariable(const TScopedVariable&) = delete;
  TScopedVariable& operator=(const TScopedVariable&) = delete;
  ~TScopedVariable() {
    if (saved_) ::setenv(name_, saved_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(LibraryEnvironmentTest, GetTempDirFollowsTmpdirWithATrailingSlash) {
  struct TCase {
    const char* tmpdir;
    const char* expected;
  } cases[] = {{nullptr, "/tmp/"}, {"", "/tmp/"}, {"/var/scratch", "/var/scratch/"}, {"/var/scratch/", "/var/scratch/"}};
  for (const auto& c : cases) {
    TScopedVariable tmpdir("TMPDIR", c.tmpdir);
    auto outcome = RunProgram("begin Write(GetTempDir); end.");
    ASSERT_FALSE(outcome.error) << outcome.error->what();
    EXPECT_EQ(outcome.output, c.expected) << (c.tmpdir ? c.tmpdir : "(unset)");
  }
}

TEST(LibraryEnvironmentTest, GetEnvironmentVariableReadsTheProcessEnvironment) {
  TScopedVariable variable("VARNELO_LIBRARY_TEST", "value=1");
  auto outcome = RunProgram("begin Write(GetEnvironmentVariable('VARNELO_LIBRARY_TEST'), '|',"
                            " GetEnvironmentVariable('VARNELO_LIBRARY_TEST_UNSET'), '|'); end.");
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "value=1||");
}

// A bare name that is a built-in needing arguments is still the host's to answer.
TEST(LibraryEnvironmentTest, HostAnswersNamesOfBuiltinsThatNeedArguments) {
  TInterpreterHost host;
  host.unknownIdentifier = [](const std::string& name) -> std::optional<TValue> {
    if (name == "Copy") return TValue::String("from host");
    return std::nullopt;
  };
  auto outcome = RunProgram("begin WriteLn(Copy); end.", host);
  ASSERT_FALSE(outcome.error) << outcome.error->what();
  EXPECT_EQ(outcome.output, "from host\n");
}

}  // namespace
}  // namespace varnelo::pascal
