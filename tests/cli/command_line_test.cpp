#include "command_line.h"

#include <gtest/gtest.h>

namespace varnelo::cli {
namespace {

struct TCase {
  const char* name;
  std::vector<std::string> words;
  std::optional<std::string> home;
  std::string command;
  std::vector<std::string> arguments;
  bool help = false;
  bool version = false;
  bool error = false;
};

class ParseCommandLineTest : public ::testing::TestWithParam<TCase> {};

TEST_P(ParseCommandLineTest, Parses) {
  const TCase& c = GetParam();
  const TCommandLine line = ParseCommandLine(c.words);
  EXPECT_EQ(!line.error.empty(), c.error) << line.error;
  if (c.error) return;
  EXPECT_EQ(line.home ? std::optional<std::string>(line.home->string()) : std::nullopt, c.home);
  EXPECT_EQ(line.command, c.command);
  EXPECT_EQ(line.arguments, c.arguments);
  EXPECT_EQ(line.help, c.help);
  EXPECT_EQ(line.version, c.version);
}

TEST(CommandLineEndOfOptionsTest, RemembersWhereTheOptionsEnded) {
  EXPECT_EQ(ParseCommandLine({"search", "r"}).endOfOptions, std::nullopt);
  const TCommandLine after = ParseCommandLine({"search", "r", "a", "--", "-b", "--home"});
  EXPECT_EQ(after.arguments, (std::vector<std::string>{"r", "a", "-b", "--home"}));
  EXPECT_EQ(after.endOfOptions, 2u);
  EXPECT_EQ(after.home, std::nullopt);
  const TCommandLine before = ParseCommandLine({"--", "search", "-r"});
  EXPECT_EQ(before.command, "search");
  EXPECT_EQ(before.arguments, (std::vector<std::string>{"-r"}));
  EXPECT_EQ(before.endOfOptions, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseCommandLineTest,
    ::testing::Values(TCase{"commandOnly", {"list"}, std::nullopt, "list", {}},
                      TCase{"homeBefore", {"--home", "/h", "list"}, "/h", "list", {}},
                      TCase{"homeAfter", {"list", "--home", "/h"}, "/h", "list", {}},
                      TCase{"homeWithEquals", {"--home=/h", "list"}, "/h", "list", {}},
                      TCase{"arguments", {"list", "a", "b"}, std::nullopt, "list", {"a", "b"}},
                      TCase{"dashAloneIsAWord", {"list", "-"}, std::nullopt, "list", {"-"}},
                      TCase{"doubleDashEndsOptions", {"--", "--home"}, std::nullopt, "--home", {}},
                      TCase{"help", {"--help"}, std::nullopt, "", {}, true},
                      TCase{"shortHelpAfterCommand", {"list", "-h"}, std::nullopt, "list", {}, true},
                      TCase{"version", {"--version"}, std::nullopt, "", {}, false, true},
                      TCase{"homeWithoutValue", {"list", "--home"}, std::nullopt, "", {}, false, false, true},
                      TCase{"emptyHome", {"--home=", "list"}, std::nullopt, "", {}, false, false, true},
                      TCase{"unknownOption", {"--frobnicate", "list"}, std::nullopt, "", {}, false, false, true},
                      TCase{"commandOptionsGoToTheCommand",
                            {"script", "s.pas", "--url", "u", "--home", "/h", "--items", "i"},
                            "/h",
                            "script",
                            {"s.pas", "--url", "u", "--items", "i"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnelo::cli
