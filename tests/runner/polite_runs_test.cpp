#include <gtest/gtest.h>

#include <string>

#include "runner/runner_fixture.h"
#include "support/loopback_server.h"
#include "support/scripted_answer.h"

namespace varnelo::runner {
namespace {

using test::TScriptedAnswer;

// A keyword search robot that reads robots.txt: its start line is resolved by one worker and its site
// crawled by another, and both are one run.
class PoliteRunsTest : public RobotRunnerTest {
protected:
  PoliteRunsTest() {
    server_.Answer("/robots.txt", TScriptedAnswer::Ok("User-agent: *\nDisallow: /private/\n",
                                                      "Content-Type: text/plain\r\n"));
    server_.Answer("/start", TScriptedAnswer::Ok("<a href=\"private/a.html\">a</a><a href=\"pub.html\">b</a>"));
    server_.AnswerOthers(TScriptedAnswer::Ok("<p>needle</p>"));
    AddRobot("Find",
             "DataFrom=Web Site Keywords Search\r\nKeywords=needle\r\nWebSiteName=Site\r\nContentType=text/html\r\n"
             "robotno=0\r\nRobotsTxt=1\r\n");
  }

  void StartAt(const std::string& path) {
    test::WriteFile(home_.Path() / "Find.url", server_.Url(path) + "\r\n");
    ASSERT_TRUE(Start("Find"));
    RunToIdle();
  }

  int Asked(const std::string& target) const {
    int count = 0;
    for (const test::TRecordedRequest& request : server_.Requests()) count += request.Target() == target ? 1 : 0;
    return count;
  }

  test::TLoopbackServer server_;
};

TEST_F(PoliteRunsTest, OneRobotsTxtServesTheStartAndTheCrawl) {
  StartAt("/start");
  EXPECT_EQ(Asked("/robots.txt"), 1);
  EXPECT_EQ(Asked("/private/a.html"), 0);
  EXPECT_GE(Asked("/pub.html"), 1);
  EXPECT_TRUE(Logged("robots.txt interdit " + server_.Url("/private/a.html")));
}

TEST_F(PoliteRunsTest, RefusedStartLineStartsNoCrawl) {
  StartAt("/private/a.html");
  EXPECT_EQ(Asked("/private/a.html"), 0);
  EXPECT_EQ(server_.Requests().size(), 1u);
  EXPECT_TRUE(tabs_.Tabs().empty());
}

TEST_F(PoliteRunsTest, EachRunReadsTheRobotsTxtAgain) {
  StartAt("/start");
  ASSERT_TRUE(Start("Find"));
  RunToIdle();
  EXPECT_EQ(Asked("/robots.txt"), 2);
}

}  // namespace
}  // namespace varnelo::runner
