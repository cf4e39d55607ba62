#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "runner/runner_fixture.h"
#include "support/loopback_server.h"
#include "support/scripted_answer.h"
#include "support/temp_home.h"

namespace varnelo::runner {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using test::TScriptedAnswer;

// Waits until both workers have asked for their first page.
bool AwaitRequests(const test::TLoopbackServer& server, size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (server.Requests().size() < count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A specified-pages robot over `count` pages of a loopback site.
class SpecifiedPagesRunTest : public RobotRunnerTest {
protected:
  void SetUp() override {
    server_.AnswerOthers(TScriptedAnswer::Ok("<html><body>page</body></html>"));
    std::string bookmarks;
    for (int i = 1; i <= 25; ++i) {
      urls_.push_back(server_.Url("/p" + std::to_string(100 + i) + ".html"));
      bookmarks += urls_.back() + "\r\n";
    }
    const fs::path bookmarkFile = home_.Path() / "urllist" / "pages.bmf";
    test::WriteFile(bookmarkFile, bookmarks);
    fs::create_directories(home_.Path() / "saved");
    AddRobot("Pages", "DataFrom=Download Specified Web/Ftp/News pages\r\nnbsimul=2\r\nBookmarkfile=" +
                          bookmarkFile.string() + "\r\nSaveDirectory=" + (home_.Path() / "saved").string() + "\r\n");
  }
  std::string Url(int number) const { return urls_[static_cast<size_t>(number - 1)]; }
  std::string Starting(int number) const { return "starting thread(Pages:" + Url(number) + ")"; }

  test::TLoopbackServer server_;
  std::vector<std::string> urls_;
};

TEST_F(SpecifiedPagesRunTest, TwentyFiveUrlsInItemsOfTen) {
  dialogs_.answers = {base::TDialogsPort::TAnswer::No};
  ASSERT_TRUE(Start("Pages"));
  ASSERT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(dialogs_.questions[0].text, kResetQuestion);
  EXPECT_EQ(dialogs_.questions[0].caption, kConfirmationCaption);
  RunToIdle();
  EXPECT_THAT(RunnerLines(), ElementsAre(Starting(1), Starting(11), Starting(21), "No more Pages will be started",
                                         "Robot Pages s'est terminé"));
  EXPECT_EQ(Value("Pages", "urlthread0*1"), Url(1) + "," + Url(10) + "," + Url(10) + ",processingdone");
  EXPECT_EQ(Value("Pages", "urlthread0*2"), Url(11) + "," + Url(20) + "," + Url(20) + ",processingdone");
  EXPECT_EQ(Value("Pages", "urlthread0*3"), Url(21) + "," + Url(25) + "," + Url(25) + ",processingdone");
  EXPECT_EQ(Value("Pages", "nexturlthread0"), "4");
  EXPECT_EQ(Store().ReadString("bookmarks", "file0", ""), (home_.Path() / "urllist" / "pages.bmf").string());
  EXPECT_EQ(Value("Pages", "running"), "0");
  EXPECT_EQ(list_.Entries().front(), "Pages(idle)");
}

TEST_F(SpecifiedPagesRunTest, ProgressCountsTheUrlsOfTheListAndTheWorkers) {
  std::vector<TRunProgress> seen;
  const base::TConnection listening =
      runner_.Progress().ProgressChanged.Connect([&](const std::string& robot, const TRunProgress& progress) {
        EXPECT_EQ(robot, "Pages");
        seen.push_back(progress);
      });
  dialogs_.answers = {base::TDialogsPort::TAnswer::No};
  ASSERT_TRUE(Start("Pages"));
  RunToIdle();
  EXPECT_EQ(runner_.Progress().Of("Pages"), (TRunProgress{.WorkersRunning = 0, .RowsFound = 0, .Done = 25, .Total = 25}));
  ASSERT_FALSE(seen.empty());
  int mostWorkers = 0;
  for (size_t i = 1; i < seen.size(); ++i) {
    EXPECT_GE(seen[i].Done, seen[i - 1].Done) << i;
    mostWorkers = std::max(mostWorkers, seen[i].WorkersRunning);
  }
  EXPECT_EQ(mostWorkers, 2);
  EXPECT_EQ(runner_.Progress().Of("nobody"), TRunProgress{});
}

TEST_F(SpecifiedPagesRunTest, AStoppedRunResumesItsItemsAndAResetStartsOver) {
  using TAnswer = base::TDialogsPort::TAnswer;
  dialogs_.answers = {TAnswer::No, TAnswer::No, TAnswer::No, TAnswer::Yes};
  // Slow answers: the stop comes while each worker is at its first URL, which it finishes.
  server_.AnswerOthers(TScriptedAnswer().Pause(std::chrono::milliseconds(200)).Send(
      "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 4\r\n\r\npage"));
  ASSERT_TRUE(Start("Pages"));
  ASSERT_TRUE(AwaitRequests(server_, 2));
  runner_.Stop("Pages");
  RunToIdle();
  server_.AnswerOthers(TScriptedAnswer::Ok("<html><body>page</body></html>"));
  EXPECT_THAT(RunnerLines(), testing::UnorderedElementsAre(
                                 Starting(1), Starting(11),
                                 "Thread Pages starting with " + Url(1) + " a été annulé. L'état a été enregistré",
                                 "Thread Pages starting with " + Url(11) + " a été annulé. L'état a été enregistré"));
  EXPECT_EQ(Value("Pages", "urlthread0*1"), Url(1) + "," + Url(10) + "," + Url(2) + ",not_processing");
  EXPECT_EQ(Value("Pages", "urlthread0*2"), Url(11) + "," + Url(20) + "," + Url(12) + ",not_processing");
  EXPECT_EQ(Value("Pages", "running"), "0");
  EXPECT_EQ(list_.Entries().front(), "Pages(idle)");

  log_.lines.clear();
  ASSERT_TRUE(Start("Pages"));
  RunToIdle();
  // The interrupted items resume where they stood, under their own keys; the start line names the
  // item's stored first URL.
  EXPECT_THAT(RunnerLines(), ElementsAre(Starting(1), Starting(11), Starting(21), "No more Pages will be started",
                                         "Robot Pages s'est terminé"));
  EXPECT_EQ(Value("Pages", "urlthread0*1"), Url(2) + "," + Url(10) + "," + Url(10) + ",processingdone");
  EXPECT_EQ(Value("Pages", "nexturlthread0"), "4");

  // Started again without a reset, a finished run has nothing left to do.
  log_.lines.clear();
  ASSERT_TRUE(Start("Pages"));
  RunToIdle();
  EXPECT_THAT(RunnerLines(), ElementsAre("Robot Pages s'est terminé"));

  log_.lines.clear();
  ASSERT_TRUE(Start("Pages"));
  RunToIdle();
  EXPECT_THAT(RunnerLines(), ElementsAre(Starting(1), Starting(11), Starting(21), "No more Pages will be started",
                                         "Robot Pages s'est terminé"));
}

// Where the single worker of a specified-pages run finds its server silent, at its second URL.
struct TPagesStall {
  const char* name;
  const char* method;
  const char* target;  // the request left unanswered
};

void PrintTo(const TPagesStall& stall, std::ostream* out) { *out << stall.name; }

class SpecifiedPagesStallTest : public SpecifiedPagesRunTest, public ::testing::WithParamInterface<TPagesStall> {
protected:
  bool AwaitStall() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (true) {
      for (const test::TRecordedRequest& request : server_.Requests()) {
        if (request.Method() == GetParam().method && request.Target() == GetParam().target) return true;
      }
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  // The names of the archives written.
  std::vector<std::string> Archives() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(home_.Path() / "saved")) {
      if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

TEST_P(SpecifiedPagesStallTest, AStopEndsTheStalledUrlWhichTheItemKeepsToDo) {
  Store().WriteString("Pages", "nbsimul", "1");
  server_.Answer("/p102.html", TScriptedAnswer::Ok("<html><body><img src=\"/part.png\"></body></html>"));
  server_.AnswerMethod(GetParam().method, GetParam().target, TScriptedAnswer().Pause(std::chrono::seconds(120)));
  dialogs_.answers = {base::TDialogsPort::TAnswer::No};
  ASSERT_TRUE(Start("Pages"));
  ASSERT_TRUE(AwaitStall());
  const auto stopped = std::chrono::steady_clock::now();
  runner_.Stop("Pages");
  RunToIdle();
  // A stop is through within a second, the URL's grace included: the transfers add none of theirs.
  EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(1));
  EXPECT_EQ(Value("Pages", "urlthread0*1"), Url(1) + "," + Url(10) + "," + Url(2) + ",not_processing");
  // The first page was done; nothing of the second was stored.
  EXPECT_THAT(Archives(), ElementsAre("p101.html.mht"));
}

INSTANTIATE_TEST_SUITE_P(
    Points, SpecifiedPagesStallTest,
    ::testing::Values(TPagesStall{"RedirectWalk", "HEAD", "/p102.html"}, TPagesStall{"PageFetch", "GET", "/p102.html"},
                      TPagesStall{"LinkCheck", "HEAD", "/part.png"}, TPagesStall{"LinkedPart", "GET", "/part.png"}),
    [](const auto& info) { return std::string(info.param.name); });

// A random query robot over a dictionary of `words` words, against a site whose answers link nowhere.
class RandomQueryRunTest : public RobotRunnerTest {
protected:
  void SetUpRobot(int words, int simultaneous) {
    server_.AnswerOthers(TScriptedAnswer::Ok("<html><body>no result</body></html>"));
    std::string dictionary;
    for (int i = 1; i <= words; ++i) dictionary += "w" + std::to_string(i) + "\r\n";
    const fs::path dictionaryFile = home_.Path() / "dictionary" / "words.txt";
    test::WriteFile(dictionaryFile, dictionary);
    test::WriteFile(home_.Path() / "Robot Definitions" / "q.def",
                    "[Properties]\r\ngetquery=" + server_.Url("/find?w=$_") + "\r\nurlregexp=http://nowhere/\r\n");
    Store().WriteString("dictionary", "file3", dictionaryFile.string());
    AddRobot("Query", "DataFrom=Random Http Query\r\ndict=3\r\nRobotDefFile=q.def\r\nnbsimul=" +
                          std::to_string(simultaneous) + "\r\n");
  }
  static std::string Starting(int item) { return "starting thread(Query:" + std::to_string(item) + ")"; }
  std::vector<std::string> QueriedWords() const {
    std::vector<std::string> words;
    for (const test::TRecordedRequest& request : server_.Requests()) {
      const std::string target = request.Target();
      const size_t at = target.find("w=");
      if (at != std::string::npos) words.push_back(target.substr(at + 2));
    }
    std::sort(words.begin(), words.end());
    return words;
  }

  test::TLoopbackServer server_;
};

TEST_F(RandomQueryRunTest, SevenWordsByThreeWorkersMakeItemsOfTwoAndALastOfOne) {
  SetUpRobot(7, 3);
  ASSERT_TRUE(Start("Query"));
  EXPECT_EQ(Value("Query", "running"), "1");
  EXPECT_EQ(Value("Query", "thread3*1"), "w1,w2,w1,processing");
  RunToIdle();
  EXPECT_THAT(RunnerLines(), ElementsAre(Starting(1), Starting(2), Starting(3), Starting(4),
                                         "No more Query will be started", "Robot Query s'est terminé"));
  EXPECT_EQ(Value("Query", "thread3*1"), "w1,w2,w2,processingdone");
  EXPECT_EQ(Value("Query", "thread3*4"), "w7,w7,w7,processingdone");
  EXPECT_EQ(Value("Query", "nexthread3"), "5");
  EXPECT_EQ(Value("Query", "running"), "0");
  EXPECT_THAT(QueriedWords(), ElementsAre("w1", "w2", "w3", "w4", "w5", "w6", "w7"));
}

TEST_F(RandomQueryRunTest, AStoppedRunResumesEveryInterruptedItem) {
  SetUpRobot(12, 3);
  // Slow answers: the stop comes while each worker waits for its first answer.
  server_.AnswerOthers(TScriptedAnswer().Pause(std::chrono::milliseconds(200)).Send(
      "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 4\r\n\r\nnone"));
  ASSERT_TRUE(Start("Query"));
  ASSERT_TRUE(AwaitRequests(server_, 3));
  runner_.Stop("Query");
  RunToIdle();
  EXPECT_EQ(Value("Query", "running"), "0");
  EXPECT_EQ(list_.Entries().front(), "Query(idle)");
  for (const char* key : {"thread3*1", "thread3*2", "thread3*3"}) {
    EXPECT_THAT(Value("Query", key), testing::EndsWith(",not_processing")) << key;
  }
  EXPECT_EQ(std::count_if(log_.lines.begin(), log_.lines.end(),
                          [](const std::string& line) { return line.find("a été annulé.L'état a été enregistré") !=
                                                                   std::string::npos; }),
            3);

  server_.AnswerOthers(TScriptedAnswer::Ok("<html><body>no result</body></html>"));
  log_.lines.clear();
  ASSERT_TRUE(Start("Query"));
  RunToIdle();
  EXPECT_THAT(RunnerLines(), ElementsAre(Starting(1), Starting(2), Starting(3), "Robot Query s'est terminé"));
  // The resumed run counts what the stopped one did.
  EXPECT_EQ(runner_.Progress().Of("Query"), (TRunProgress{.WorkersRunning = 0, .RowsFound = 0, .Done = 12, .Total = 12}));
  // Every word was queried, none more than twice.
  std::vector<std::string> words = QueriedWords();
  for (int i = 1; i <= 12; ++i) {
    const auto times = std::count(words.begin(), words.end(), "w" + std::to_string(i));
    EXPECT_GE(times, 1) << i;
    EXPECT_LE(times, 2) << i;
  }
}

}  // namespace
}  // namespace varnelo::runner
