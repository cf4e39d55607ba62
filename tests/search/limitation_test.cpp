#include "search/limitation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "search/definition_paths.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::search {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::TRecordingDialogs;
using test::WriteFile;
using TShown = TRecordingDialogs::TShown;
using TIcon = base::TDialogsPort::TIcon;

// A home whose robot "R" names the definition file "r.def" in Robot Definitions.
class LimitationTest : public ::testing::Test {
protected:
  explicit LimitationTest(std::string_view general = "")
      : home_("[general]\r\n" + std::string(general) + "[dictionary]\r\n[R]\r\nRobotDefFile=r.def\r\n") {}

  TLimitation Load(std::string_view properties) {
    WriteFile(DefinitionsFolder(home_.Path()) / "r.def", "[Properties]\r\n" + std::string(properties));
    return TLimitation::Load(home_.Path(), "R", dialogs_);
  }

  test::TTempHome home_;
  TRecordingDialogs dialogs_;
};

TEST_F(LimitationTest, ReadsTheQueryTypeAndFilters) {
  WriteFile(home_.RobotConfigPath(),
            "[general]\r\nspamword=casino,,viagra,\r\nmaxextractedItems=0x10\r\n[dictionary]\r\n"
            "[R]\r\nrobotdeffile=r.def\r\n");
  const TLimitation l = Load("getquery=http://s/?q=$_\r\nurlregexp=x\r\nLimitationDefinitionType=Standard\r\n");
  EXPECT_TRUE(l.Loaded());
  EXPECT_EQ(l.QueryUrl(), "http://s/?q=$_");
  EXPECT_EQ(l.LimitationType(), "Standard");
  EXPECT_THAT(l.SpamWords(), ElementsAre("casino", "", "viagra"));
  EXPECT_EQ(l.ExtractedItemsLimit(), 16);
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(LimitationTest, DefaultsWithoutDefinitionFileOrGeneralKeys) {
  WriteFile(home_.RobotConfigPath(), "[general]\r\n[dictionary]\r\n[R]\r\n");
  const TLimitation l = TLimitation::Load(home_.Path(), "R", dialogs_);
  EXPECT_TRUE(l.Loaded());
  EXPECT_EQ(l.QueryUrl(), "");
  EXPECT_EQ(l.UrlModifiers(), (TRegExpModifiers{false, true, false, false, false, false}));
  EXPECT_THAT(l.SpamWords(), IsEmpty());
  EXPECT_EQ(l.ExtractedItemsLimit(), 100000000);
  EXPECT_FALSE(l.StartWordPresent());
  EXPECT_FALSE(l.StartTest("anything"));
  EXPECT_FALSE(l.EndTest("anything"));
}

TEST_F(LimitationTest, FullPathInRobotDefFile) {
  test::TTempDir elsewhere;
  WriteFile(elsewhere.Path() / "q.def", "[Properties]\r\ngetquery=full\r\n");
  WriteFile(home_.RobotConfigPath(),
            "[general]\r\n[dictionary]\r\n[R]\r\nRobotDefFile=" + (elsewhere.Path() / "q.def").string() + "\r\n");
  EXPECT_EQ(TLimitation::Load(home_.Path(), "R", dialogs_).QueryUrl(), "full");
}

TEST_F(LimitationTest, UrlExpressionTakesTheSixKeysTheOthersTheFixedModifiers) {
  const TLimitation l = Load(
      "urlregexp=href=\"[^\"]+\"\r\niflag=1\r\ngflag=0\r\nDataLimitingRegexp=<b>.+</b>\r\n"
      "LimitationDefinitionType=Regular Expression\r\nstartresult=RESULTS\r\n");
  EXPECT_THAT(l.FindUrls("<a HREF=\"http://a/\"> <a href=\"http://b/\">"),
              ElementsAre("HREF=\"http://a/\"", "href=\"http://b/\""));
  // Greedy and case sensitive although gflag is 0 and iflag is 1.
  EXPECT_THAT(l.FindData("<b>x</b> <b>y</b> <B>z</B>"), ElementsAre("<b>x</b> <b>y</b>"));
  EXPECT_TRUE(l.StartTest("== RESULTS =="));
  EXPECT_FALSE(l.StartTest("== results =="));
}

TEST_F(LimitationTest, DataExpressionWrittenLazyStaysLazy) {
  const TLimitation l = Load("urlregexp=x\r\ngflag=0\r\nDataLimitingRegexp=<b>.+?</b>\r\n");
  EXPECT_THAT(l.FindData("<b>x</b> <b>y</b>"), ElementsAre("<b>x</b>", "<b>y</b>"));
}

TEST_F(LimitationTest, UrlExpressionLazyWhenGflagIsZero) {
  const TLimitation lazy = Load("urlregexp=http://.+/\r\ngflag=0\r\n");
  EXPECT_THAT(lazy.FindUrls("http://a/b/ http://c/"), ElementsAre("http://a/", "http://c/"));
  const TLimitation greedy = Load("urlregexp=http://.+/\r\ngflag=1\r\n");
  EXPECT_THAT(greedy.FindUrls("http://a/b/ http://c/"), ElementsAre("http://a/b/ http://c/"));
}

TEST_F(LimitationTest, BlankDataExpressionIsAbsent) {
  const TLimitation l = Load("urlregexp=x\r\nDataLimitingRegexp= \t \r\n");
  EXPECT_FALSE(l.DataExpressionPresent());
  EXPECT_THAT(l.FindData("anything"), IsEmpty());
}

TEST_F(LimitationTest, RegularExpressionTypeNeverReadsTheRelationalKeys) {
  const TLimitation l = Load(
      "urlregexp=x\r\nLimitationDefinitionType=Regular Expression\r\nRelopStartResult=>=\r\n"
      "WordRelopStartResult=a\r\nRelopEndResult=>=\r\nWordRelopEndResult=a\r\nendresult=^END\r\n");
  EXPECT_FALSE(l.StartWordPresent());
  EXPECT_EQ(l.StartOperator(), "");
  EXPECT_FALSE(l.StartExpressionPresent());
  EXPECT_TRUE(l.EndExpressionPresent());
  EXPECT_FALSE(l.StartTest("zzz"));
  EXPECT_TRUE(l.EndTest("END here"));
  EXPECT_FALSE(l.EndTest("the END"));
}

TEST_F(LimitationTest, StandardTypeNeverReadsTheExpressions) {
  const TLimitation l = Load(
      "urlregexp=x\r\nLimitationDefinitionType=Standard\r\nstartresult=.\r\nendresult=.\r\n"
      "RelopStartResult==\r\nWordRelopStartResult=<start>\r\n");
  EXPECT_FALSE(l.StartExpressionPresent());
  EXPECT_FALSE(l.EndExpressionPresent());
  EXPECT_TRUE(l.StartTest("<start>"));
  EXPECT_FALSE(l.StartTest("x"));
  EXPECT_FALSE(l.EndTest("x"));
}

TEST_F(LimitationTest, UnknownOrAbsentTypeReadsLikeStandard) {
  for (const std::string type : {"", "LimitationDefinitionType=regular expression\r\n"}) {
    const TLimitation l = Load("urlregexp=x\r\nstartresult=.\r\nRelopStartResult=>\r\nWordRelopStartResult=m\r\n" + type);
    EXPECT_FALSE(l.StartExpressionPresent()) << type;
    EXPECT_TRUE(l.StartTest("z")) << type;
    EXPECT_FALSE(l.StartTest("a")) << type;
  }
}

TEST_F(LimitationTest, WordsAreTrimmedForPresenceButComparedAsRead) {
  const TLimitation l = Load("urlregexp=x\r\nRelopStartResult==\r\nWordRelopStartResult=  \r\nRelopEndResult=>\r\n"
                             "WordRelopEndResult=b\r\n");
  EXPECT_FALSE(l.StartWordPresent());
  EXPECT_TRUE(l.EndWordPresent());
  EXPECT_EQ(l.EndWord(), "b");
}

struct TRelationCase {
  const char* relop;
  const char* word;
  const char* line;
  bool expected;
};

class CompareByOperatorTest : public ::testing::TestWithParam<TRelationCase> {};

TEST_P(CompareByOperatorTest, ComparesBytesOrdinally) {
  const TRelationCase& c = GetParam();
  EXPECT_EQ(CompareByOperator(c.line, c.relop, c.word), c.expected) << c.line << " " << c.relop << " " << c.word;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareByOperatorTest,
    ::testing::Values(TRelationCase{"<=", "m", "abc", true}, TRelationCase{"<=", "m", "m", true},
                      TRelationCase{"<=", "m", "ma", false}, TRelationCase{"<", "m", "m", false},
                      TRelationCase{"<", "ma", "m", true}, TRelationCase{"=", "Abc", "abc", false},
                      TRelationCase{"=", "abc", "abc", true}, TRelationCase{">=", "b", "b", true},
                      TRelationCase{">=", "b", "a", false}, TRelationCase{">", "Z", "a", true},
                      TRelationCase{">", "z", "\xE9", true}, TRelationCase{"<", "\x01", "\x80", false},
                      TRelationCase{"", "m", "m", false}, TRelationCase{"<>", "m", "a", false},
                      TRelationCase{"=<", "m", "a", false}, TRelationCase{" =", "m", "m", false}));

TEST_F(LimitationTest, StartTestTriesTheExpressionThenTheWord) {
  const TLimitation l = Load("urlregexp=x\r\nLimitationDefinitionType=Standard\r\nRelopStartResult=<=\r\n"
                             "WordRelopStartResult=m\r\n");
  EXPECT_TRUE(l.StartTest("abc"));
  EXPECT_TRUE(l.StartTest("m"));
  EXPECT_FALSE(l.StartTest("ma"));
  EXPECT_FALSE(l.EndTest("abc"));
}

TEST_F(LimitationTest, EmptyOperatorWithAWordNeverOpens) {
  const TLimitation l = Load("urlregexp=x\r\nLimitationDefinitionType=Standard\r\nWordRelopStartResult=m\r\n");
  EXPECT_TRUE(l.StartWordPresent());
  for (const char* line : {"", "a", "m", "z"}) EXPECT_FALSE(l.StartTest(line)) << line;
}

TEST_F(LimitationTest, BinaryBytesInExpressionsAndLines) {
  const TLimitation l = Load("urlregexp=\xE9[\x80-\xFF]+\r\ngflag=1\r\nLimitationDefinitionType=Regular Expression\r\n"
                             "startresult=\x01\x02\r\n");
  EXPECT_THAT(l.FindUrls("a\xE9\x81\xFE b"), ElementsAre("\xE9\x81\xFE"));
  EXPECT_TRUE(l.StartTest("x\x01\x02y"));
}

struct TBadCase {
  const char* name;
  std::string properties;
  std::vector<TShown> messages;
  bool dataPresent;
  bool startPresent;
  bool endPresent;
};

class BadExpressionTest : public LimitationTest, public ::testing::WithParamInterface<TBadCase> {};

TEST_P(BadExpressionTest, ReportsEachFailureAndDoesNotLoad) {
  const TBadCase& c = GetParam();
  const TLimitation l = Load(c.properties);
  EXPECT_FALSE(l.Loaded());
  EXPECT_EQ(dialogs_.messages, c.messages);
  EXPECT_EQ(l.DataExpressionPresent(), c.dataPresent);
  EXPECT_EQ(l.StartExpressionPresent(), c.startPresent);
  EXPECT_EQ(l.EndExpressionPresent(), c.endPresent);
  // Whatever compiled, a run must not use it.
  EXPECT_THROW(l.StartTest("x"), ELimitationNotLoaded);
  EXPECT_THROW(l.EndTest("x"), ELimitationNotLoaded);
  EXPECT_THROW(l.FindUrls("x"), ELimitationNotLoaded);
  EXPECT_THROW(l.FindData("x"), ELimitationNotLoaded);
}

TShown Error(std::string expression, size_t position) {
  return {CompileErrorMessage(expression, position), "Erreur", TIcon::Error};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadExpressionTest,
    ::testing::Values(
        // The URL expression fails: nothing more is read.
        TBadCase{"url",
                 "urlregexp=(http\r\nDataLimitingRegexp=[\r\nLimitationDefinitionType=Regular Expression\r\n"
                 "startresult=(\r\n",
                 {Error("(http", 5)}, false, false, false},
        TBadCase{"urlLazyPositionAsWritten", "urlregexp=a+b*(c\r\ngflag=0\r\n", {Error("a+b*(c", 6)}, false, false,
                 false},
        TBadCase{"data",
                 "urlregexp=x\r\nDataLimitingRegexp=a[b\r\nLimitationDefinitionType=Regular Expression\r\n"
                 "startresult=(\r\n",
                 {Error("a[b", 3)}, true, false, false},
        // Both zone expressions are compiled and reported even when the first fails.
        TBadCase{"startAndEnd",
                 "urlregexp=x\r\nLimitationDefinitionType=Regular Expression\r\nstartresult=*a\r\nendresult=b)\r\n",
                 {Error("*a", 0), Error("b)", 1)}, false, true, true},
        TBadCase{"endOnly",
                 "urlregexp=x\r\nLimitationDefinitionType=Regular Expression\r\nstartresult=ok\r\nendresult=a{2,1}\r\n",
                 {Error("a{2,1}", 5)}, false, true, true},
        TBadCase{"binaryBytes", "urlregexp=\xFF(\x80\r\n", {Error("\xFF(\x80", 3)}, false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LimitationTest, CompileErrorMessageText) {
  EXPECT_EQ(CompileErrorMessage("(a", 2),
            "Error compiling your regular expression:(a ; error occured at position 2");
}

TEST_F(LimitationTest, RunIsRefusedForADefinitionThatDidNotLoad) {
  WriteFile(DefinitionsFolder(home_.Path()) / "r.def", "[Properties]\r\nurlregexp=(\r\n");
  EXPECT_EQ(TLimitation::LoadForRun(home_.Path(), "R", dialogs_), nullptr);
  EXPECT_EQ(dialogs_.messages.size(), 1u);
  WriteFile(DefinitionsFolder(home_.Path()) / "r.def", "[Properties]\r\nurlregexp=h\r\n");
  const auto loaded = TLimitation::LoadForRun(home_.Path(), "R", dialogs_);
  ASSERT_NE(loaded, nullptr);
  EXPECT_THAT(loaded->FindUrls("ahah"), ElementsAre("h", "h"));
}

TEST_F(LimitationTest, WorkersShareOneDefinition) {
  const auto l = std::make_shared<const TLimitation>(
      Load("urlregexp=u\\d+\r\ngflag=1\r\nLimitationDefinitionType=Standard\r\nRelopEndResult==\r\nWordRelopEndResult=end\r\n"));
  std::vector<std::thread> workers;
  std::atomic<int> failures = 0;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&] {
      for (int n = 0; n < 500; ++n) {
        if (l->FindUrls("u1 u22 u333") != std::vector<std::string>{"u1", "u22", "u333"} || !l->EndTest("end")) {
          ++failures;
        }
      }
    });
  }
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace varnelo::search
