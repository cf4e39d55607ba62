#include "run_arguments.h"

#include <gtest/gtest.h>

#include "command_line.h"

namespace varnelo::cli {
namespace {

struct TCase {
  const char* name;
  bool search;
  std::vector<std::string> words;  // everything after the command, as typed
  std::string robot;
  std::vector<std::string> searchWords;
  TResetChoice reset = TResetChoice::Ask;
  bool json = false;
  std::string error{};  // a part of the message; empty when the words are right
};

class ParseRunArgumentsTest : public ::testing::TestWithParam<TCase> {};

// Through the global parser, as main() does, so that "--" reaches the command as it should.
TEST_P(ParseRunArgumentsTest, Parses) {
  const TCase& c = GetParam();
  std::vector<std::string> words{c.search ? "search" : "run"};
  words.insert(words.end(), c.words.begin(), c.words.end());
  const TCommandLine line = ParseCommandLine(words);
  ASSERT_EQ(line.error, "");
  std::string error;
  const TRunArguments parsed = ParseRunArguments(c.search, line.arguments, line.endOfOptions, error);
  if (!c.error.empty()) {
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    return;
  }
  EXPECT_EQ(error, "");
  EXPECT_EQ(parsed.search, c.search);
  EXPECT_EQ(parsed.robot, c.robot);
  EXPECT_EQ(parsed.words, c.searchWords);
  EXPECT_EQ(parsed.reset, c.reset);
  EXPECT_EQ(parsed.json, c.json);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseRunArgumentsTest,
    ::testing::Values(
        TCase{"runRobot", false, {"Moteurs"}, "Moteurs", {}},
        TCase{"runReset", false, {"Pages", "--reset"}, "Pages", {}, TResetChoice::Reset},
        TCase{"runKeepFirst", false, {"--keep", "Pages"}, "Pages", {}, TResetChoice::Keep},
        TCase{"runJsonAndKeep", false, {"--json", "Pages", "--keep"}, "Pages", {}, TResetChoice::Keep, true},
        TCase{"runSameFlagTwice", false, {"Pages", "--keep", "--keep"}, "Pages", {}, TResetChoice::Keep},
        TCase{"runRobotNamedLikeAnOption", false, {"--", "--reset"}, "--reset", {}},
        TCase{"runBothFlags", false, {"Pages", "--reset", "--keep"}, "", {}, TResetChoice::Ask, false,
              "'--reset' and '--keep' cannot be given together"},
        TCase{"runWithoutRobot", false, {"--json"}, "", {}, TResetChoice::Ask, false, "'run' needs a robot name"},
        TCase{"runEmptyRobot", false, {""}, "", {}, TResetChoice::Ask, false, "'run' needs a robot name"},
        TCase{"runTwoRobots", false, {"a", "b"}, "", {}, TResetChoice::Ask, false, "'run' takes one robot name"},
        TCase{"runUnknownOption", false, {"a", "--fast"}, "", {}, TResetChoice::Ask, false,
              "unknown option '--fast' for 'run'"},
        TCase{"searchWords", true, {"Moteurs", "fish", "&", "chips"}, "Moteurs", {"fish", "&", "chips"}},
        TCase{"searchWithoutWords", true, {"Moteurs"}, "Moteurs", {}},
        TCase{"searchJsonAnywhere", true, {"Moteurs", "fish", "--json", "chips"}, "Moteurs", {"fish", "chips"},
              TResetChoice::Ask, true},
        TCase{"searchDashWordsAfterDoubleDash", true, {"Moteurs", "--json", "--", "-x", "--json", "--reset"},
              "Moteurs", {"-x", "--json", "--reset"}, TResetChoice::Ask, true},
        TCase{"searchDashAloneIsAWord", true, {"Moteurs", "-"}, "Moteurs", {"-"}},
        TCase{"searchDashWordWithoutDoubleDash", true, {"Moteurs", "-x"}, "", {}, TResetChoice::Ask, false,
              "put '--' before search words that begin with '-'"},
        TCase{"searchResetIsNotItsOption", true, {"Moteurs", "--reset"}, "", {}, TResetChoice::Ask, false,
              "unknown option '--reset' for 'search'"},
        TCase{"searchWithoutRobot", true, {}, "", {}, TResetChoice::Ask, false, "'search' needs a robot name"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnelo::cli
