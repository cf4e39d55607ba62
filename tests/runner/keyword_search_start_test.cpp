#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "network/http_operations.h"
#include "runner/robot_runner.h"
#include "runner/runner_fixture.h"
#include "support/loopback_server.h"
#include "support/scripted_answer.h"

namespace varnelo::runner {
namespace {

using namespace std::chrono_literals;
using test::TScriptedAnswer;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A keyword search robot whose start line's HEAD the server holds until the test lets it go.
class KeywordSearchStartTest : public RobotRunnerTest {
protected:
  KeywordSearchStartTest() {
    server_.AnswerMethod("HEAD", "/old/../start",
                         TScriptedAnswer()
                             .WaitUntil(
                                 [this] {
                                   headHeld_ = true;
                                   return released_.load();
                                 },
                                 30s)
                             .Send("HTTP/1.1 301 Moved Permanently\r\nLocation: " +
                                   server_.Url("/a/./b/../index.html") + "\r\nContent-Length: 0\r\n\r\n"));
    server_.AnswerOthers(TScriptedAnswer::Ok("<html><body>a needle here</body></html>"));
    AddRobot("Find",
             "DataFrom=Web Site Keywords Search\r\nKeywords=needle\r\nWebSiteName=Site\r\nContentType=text/html\r\n"
             "robotno=0\r\n");
    test::WriteFile(home_.Path() / "Find.url", server_.Url("/old/../start") + "\r\n");
  }
  void TearDown() override {
    released_ = true;
    RobotRunnerTest::TearDown();
  }
  // Runs the main queue until the server holds the HEAD request.
  void RunUntilHeadHeld() {
    queue_.RunUntil([this] { return headHeld_.load(); });
  }
  std::vector<std::string> Methods() const {
    std::vector<std::string> methods;
    for (const test::TRecordedRequest& request : server_.Requests()) methods.push_back(request.Method());
    return methods;
  }

  // Declared before the server, whose threads read them until it is gone.
  std::atomic<bool> released_{false};
  std::atomic<bool> headHeld_{false};
  test::TLoopbackServer server_;
};

TEST_F(KeywordSearchStartTest, TheMainQueueGoesOnWhileTheStartLineIsResolved) {
  ASSERT_EQ(runner_.Start("Find"), TStartOutcome::Started);
  // Starting shows: the robot works and counts, but no crawl has begun.
  EXPECT_EQ(list_.Entries().front(), "Find(working)");
  EXPECT_TRUE(runner_.Running("Find"));
  EXPECT_THAT(indicators_.running, ElementsAre(true));

  bool otherTaskRan = false;
  queue_.Post([&] { otherTaskRan = true; });
  RunUntilHeadHeld();
  queue_.RunUntil([&] { return otherTaskRan; });
  EXPECT_THAT(tabs_.Tabs(), IsEmpty());
  EXPECT_EQ(runner_.Start("Find"), TStartOutcome::Refused);
  EXPECT_THAT(dialogs_.messages, ElementsAre(test::TRecordingDialogs::TShown{std::string(kStillRunning), "Erreur",
                                                                             base::TDialogsPort::TIcon::Error}));

  released_ = true;
  RunToIdle();
  EXPECT_THAT(RunnerLines(), ElementsAre("Site s'est terminé"));
  ASSERT_EQ(tabs_.Tabs().size(), 1u);
  const base::TTabSheet& tab = *tabs_.Tabs().front();
  ASSERT_EQ(tab.Content.Rows.size(), 1u);
  EXPECT_EQ(tab.Content.Rows[0].Caption, server_.Url("/a/index.html"));
  EXPECT_EQ(Value("Find", "running"), "0");
  EXPECT_EQ(list_.Entries().front(), "Find(idle)");
  // The resolution hands over to the crawl without the indicators going idle in between.
  ASSERT_FALSE(indicators_.running.empty());
  EXPECT_EQ(std::count(indicators_.running.begin(), indicators_.running.end(), false), 1);
  EXPECT_FALSE(indicators_.running.back());
  // The start's HEAD is the one the HTTP operation sends on the main thread, byte for byte.
  std::string mimeType, urlToUse;
  std::int64_t contentLength = 0;
  network::HttpHeadOnce(server_.Url("/old/../start"), mimeType, contentLength, urlToUse);
  const std::vector<test::TRecordedRequest> requests = server_.Requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests.front().RequestLine(), "HEAD /old/../start HTTP/1.1");
  EXPECT_EQ(requests.front().head, requests.back().head);
}

struct TEndCase {
  const char* name;
  void (*end)(TRobotRunner& runner, TRobotWorkerTable& table);
};

class KeywordSearchStartEndTest : public KeywordSearchStartTest, public ::testing::WithParamInterface<TEndCase> {};

// The HEAD request is given up on; the crawl never starts and nothing is said.
TEST_P(KeywordSearchStartEndTest, AnEndDuringTheHeldRequestStartsNothing) {
  ASSERT_EQ(runner_.Start("Find"), TStartOutcome::Started);
  RunUntilHeadHeld();
  GetParam().end(runner_, table_);
  RunToIdle();
  EXPECT_THAT(tabs_.Tabs(), IsEmpty());
  EXPECT_THAT(log_.lines, IsEmpty());
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_FALSE(runner_.Running("Find"));
  EXPECT_EQ(list_.Entries().front(), "Find(idle)");
  EXPECT_THAT(indicators_.running, ElementsAre(true, false));
  EXPECT_THAT(Methods(), ElementsAre("HEAD"));
  // Nothing is left to run once the count is back at zero.
  released_ = true;
  queue_.WaitAndRunPending(100ms);
  EXPECT_THAT(tabs_.Tabs(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Ends, KeywordSearchStartEndTest,
    ::testing::Values(TEndCase{"stop", [](TRobotRunner& runner, TRobotWorkerTable&) { runner.Stop("Find"); }},
                      TEndCase{"shutdown", [](TRobotRunner&, TRobotWorkerTable& table) { table.TerminateAll(); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnelo::runner
