#include "runner/robot_runner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/signal.h"
#include "runner/runner_fixture.h"
#include "support/loopback_server.h"
#include "support/recording_ports.h"
#include "support/scripted_answer.h"
#include "support/temp_home.h"

namespace varnelo::runner {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using test::TScriptedAnswer;

constexpr std::string_view kError = "Erreur";

TEST_F(RobotRunnerTest, StartRefusalsChangeNothing) {
  AddRobot("Query", "DataFrom=Random Http Query\r\nrobotno=0\r\n");
  AddRobot("Busy", "DataFrom=Script (use it for database request)\r\nrobotno=1\r\n");
  AddRobot("NoScript", "DataFrom=Script (use it for database request)\r\nrobotno=2\r\n");
  AddRobot("MissingScript", "DataFrom=Script (use it for database request)\r\nrobotno=3\r\nScriptName=" +
                                (home_.Path() / "missing.pas").string() + "\r\n");
  AddRobot("FolderScript", "DataFrom=Script (use it for database request)\r\nrobotno=4\r\nScriptName=" +
                               home_.Path().string() + "\r\n");
  AddRobot("NoEngineWorker", "DataFrom=Search engine functionality\r\nrobotno=5\r\nnbsimul=0\r\n");
  AddRobot("NoPageWorker", "DataFrom=Download Specified Web/Ftp/News pages\r\nrobotno=6\r\nnbsimul=0\r\n");
  AddRobot("NegativeQueryWorkers", "DataFrom=Random Http Query\r\nrobotno=7\r\ndict=1\r\nnbsimul=-2\r\n");
  TIdleWorker live(queue_);
  table_.Add(1, &live);
  struct TCase {
    TSender sender;
    std::string_view message;
  };
  const TCase cases[] = {
      {TSender::Button(), kChooseRobotToStart},
      {TSender::MenuItem("&Start"), kChooseRobotToStart},  // the panel's own item stands for the selection
      {TSender::MenuItem("Query"), kAssociateDictionary},
      {TSender::MenuItem("Busy"), kStillRunning},
      {TSender::MenuItem("NoScript"), kScriptUnreadable},
      {TSender::MenuItem("MissingScript"), kScriptUnreadable},
      {TSender::MenuItem("FolderScript"), kScriptUnreadable},
      {TSender::MenuItem("NoEngineWorker"), kNoSimultaneousWorker},
      {TSender::MenuItem("NoPageWorker"), kNoSimultaneousWorker},
      {TSender::MenuItem("NegativeQueryWorkers"), kNoSimultaneousWorker},
  };
  for (const TCase& c : cases) {
    dialogs_.messages.clear();
    EXPECT_FALSE(runner_.ExecBtnClick(c.sender)) << c.message;
    EXPECT_THAT(dialogs_.messages, ElementsAre(test::TRecordingDialogs::TShown{
                                       std::string(c.message), std::string(kError),
                                       base::TDialogsPort::TIcon::Error}));
  }
  EXPECT_THAT(log_.lines, IsEmpty());
  EXPECT_EQ(runner_.RunningWorkerCount(), 0);
  table_.Remove(1, &live);
}

TEST_F(RobotRunnerTest, ARobotOfNoKnownKindStartsNothing) {
  AddRobot("Odd", "DataFrom=search engine functionality\r\n");
  EXPECT_TRUE(Start("Odd"));
  EXPECT_THAT(log_.lines, IsEmpty());
  EXPECT_FALSE(runner_.Running("Odd"));
}

TEST_F(RobotRunnerTest, StopWithoutARobotIsRefused) {
  runner_.AbortBtnClick(TSender::Button());
  EXPECT_THAT(dialogs_.messages, ElementsAre(test::TRecordingDialogs::TShown{
                                     std::string(kChooseRobotToStop), std::string(kError),
                                     base::TDialogsPort::TIcon::Error}));
}

// A robot without a section reads robotno 0, the number of another robot: stopping it must leave that
// robot's workers and the store alone.
TEST_F(RobotRunnerTest, StoppingARobotWithoutASectionTouchesNoOtherRobot) {
  AddRobot("Busy", "DataFrom=Script (use it for database request)\r\nrobotno=0\r\nrunning=1\r\n");
  TIdleWorker live(queue_);
  table_.Add(0, &live);
  runner_.Stop("Ghost");
  EXPECT_FALSE(live.Terminated());
  EXPECT_TRUE(Store().ReadSection("Ghost").empty());
  EXPECT_EQ(Store().ReadString("Busy", "running", ""), "1");
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  table_.Remove(0, &live);
}

TEST_F(RobotRunnerTest, AScriptRobotRunsFromTheSelectionAndEndsIdle) {
  test::WriteFile(home_.Path() / "interpretercode" / "empty.pas", "program Empty; begin end.\r\n");
  AddRobot("Other", "DataFrom=Read Local File\r\n");
  AddRobot("Job", "DataFrom=Script (use it for database request)\r\nScriptName=" +
                      (home_.Path() / "interpretercode" / "empty.pas").string() + "\r\nSeeOnScreen=0\r\n");
  list_.Select("Job");
  ASSERT_TRUE(runner_.ExecBtnClick(TSender::Button()));
  EXPECT_EQ(list_.Entries().front(), "Job(working)");
  EXPECT_TRUE(runner_.Running("Job"));
  RunToIdle();
  EXPECT_THAT(RunnerLines(), ElementsAre("starting thread(Job)", "Robot Job s'est terminé"));
  EXPECT_THAT(list_.Entries(), ElementsAre("Job(idle)", "Other(idle)"));
  EXPECT_THAT(indicators_.running, ElementsAre(true, false));
  // The script robot never writes `running`.
  EXPECT_EQ(Value("Job", "running"), "(none)");
}

TEST_F(RobotRunnerTest, ABackupStartWithABadUrlStartsNothing) {
  AddRobot("Copy", "DataFrom=Web Site Backup\r\n");
  test::WriteFile(home_.Path() / "Copy.url", "http://127.0.0.1/\r\ngopher://127.0.0.1/\r\n");
  EXPECT_TRUE(Start("Copy"));
  EXPECT_THAT(dialogs_.messages, ElementsAre(test::TRecordingDialogs::TShown{
                                     std::string(kUrlFormatError), std::string(kError),
                                     base::TDialogsPort::TIcon::Error}));
  EXPECT_THAT(log_.lines, IsEmpty());
  EXPECT_FALSE(runner_.Running("Copy"));
}

TEST_F(RobotRunnerTest, AWebSiteRobotWithoutStartUrlsIsAFileError) {
  AddRobot("Copy", "DataFrom=Web Site Backup\r\n");
  AddRobot("Find", "DataFrom=Web Site Keywords Search\r\n");
  EXPECT_THROW(Start("Copy"), std::runtime_error);
  test::WriteFile(home_.Path() / "Find.url", "");
  EXPECT_THROW(Start("Find"), std::runtime_error);
  EXPECT_EQ(runner_.RunningWorkerCount(), 0);
}

TEST_F(RobotRunnerTest, AKeywordSearchWhoseStartUrlDoesNotAnswerStartsNothingQuietly) {
  test::TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Page("HTTP/1.1 404 Not Found", "", ""));
  AddRobot("Find", "DataFrom=Web Site Keywords Search\r\nKeywords=needle\r\n");
  test::WriteFile(home_.Path() / "Find.url", server.Url("/missing.html") + "\r\n");
  EXPECT_TRUE(Start("Find"));
  RunToIdle();
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_THAT(log_.lines, IsEmpty());
  EXPECT_FALSE(runner_.Running("Find"));
  EXPECT_THAT(tabs_.Tabs(), IsEmpty());
  EXPECT_EQ(list_.Entries().front(), "Find(idle)");
}

TEST_F(RobotRunnerTest, AKeywordSearchStartsAtTheUrlItsStartLineRedirectsTo) {
  test::TLoopbackServer server;
  server.AnswerMethod("HEAD", "/old/../start", TScriptedAnswer::Redirect(301, server.Url("/a/./b/../index.html")));
  server.AnswerOthers(TScriptedAnswer::Ok("<html><body>a needle here</body></html>"));
  AddRobot("Find",
           "DataFrom=Web Site Keywords Search\r\nKeywords=needle\r\nWebSiteName=Site\r\nContentType=text/html\r\n");
  test::WriteFile(home_.Path() / "Find.url", server.Url("/old/../start") + "\r\n");
  ASSERT_TRUE(Start("Find"));
  RunToIdle();
  EXPECT_THAT(RunnerLines(), ElementsAre("Site s'est terminé"));
  ASSERT_EQ(tabs_.Tabs().size(), 1u);
  const base::TTabSheet& tab = *tabs_.Tabs().front();
  EXPECT_EQ(tab.Caption, "Web Site: Site");
  ASSERT_EQ(tab.Content.Rows.size(), 1u);
  EXPECT_EQ(tab.Content.Rows[0].Caption, server.Url("/a/index.html"));
  EXPECT_EQ(Value("Find", "running"), "0");
  EXPECT_EQ(list_.Entries().front(), "Find(idle)");
}

TEST_F(RobotRunnerTest, RowsAddedToARobotsTabsAreTheRowsFoundByItsRun) {
  test::TLoopbackServer server;
  server.AnswerOthers(
      TScriptedAnswer::Ok("<html><body>needle <a href=\"/two.html\">two</a><p>needle</p></body></html>"));
  AddRobot("Find",
           "DataFrom=Web Site Keywords Search\r\nKeywords=needle\r\nWebSiteName=Site\r\nContentType=text/html\r\n");
  test::WriteFile(home_.Path() / "Find.url", server.Url("/index.html") + "\r\n");
  std::vector<size_t> reported;
  const base::TConnection listening =
      runner_.Progress().ProgressChanged.Connect([&](const std::string& robot, const TRunProgress& progress) {
        if (robot == "Find") reported.push_back(progress.RowsFound);
      });
  const auto rowsOfTab = [this](size_t index) { return tabs_.Tabs().at(index)->Content.Rows.size(); };

  ASSERT_TRUE(Start("Find"));
  RunToIdle();
  ASSERT_EQ(tabs_.Tabs().size(), 1u);
  ASSERT_GE(rowsOfTab(0), 2u);
  EXPECT_EQ(runner_.Progress().Of("Find").RowsFound, rowsOfTab(0));
  EXPECT_THAT(reported, Contains(rowsOfTab(0)));

  // Rows of another robot's tab are that robot's.
  const base::TTabId other = tabs_.OpenResultTab(base::TTabTemplate::ListView, nullptr, "Other", "Other");
  tabs_.AddRows(other, {base::TListRow{"a", {}, {}}, base::TListRow{"b", {}, {}}});
  EXPECT_EQ(runner_.Progress().Of("Other").RowsFound, 2u);
  EXPECT_EQ(runner_.Progress().Of("Find").RowsFound, rowsOfTab(0));

  // The next run counts its own rows only.
  ASSERT_TRUE(Start("Find"));
  RunToIdle();
  ASSERT_EQ(tabs_.Tabs().size(), 3u);
  EXPECT_EQ(runner_.Progress().Of("Find").RowsFound, rowsOfTab(2));
}

TEST_F(RobotRunnerTest, ABackupLogsItsStartAndItsEnd) {
  test::TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Ok("<html><body>home</body></html>"));
  AddRobot("Copy", "DataFrom=Web Site Backup\r\nWebSiteName=Mirror\r\n");
  test::WriteFile(home_.Path() / "Copy.url", server.Url("/") + "\r\n");
  ASSERT_TRUE(Start("Copy"));
  RunToIdle();
  EXPECT_THAT(RunnerLines(), ElementsAre("starting thread(Copy)", "Mirror s'est terminé"));
  ASSERT_EQ(tabs_.Tabs().size(), 1u);
  EXPECT_EQ(tabs_.Tabs().front()->Desc.Owner, nullptr);
  EXPECT_EQ(Value("Copy", "running"), "0");
}

}  // namespace
}  // namespace varnelo::runner
