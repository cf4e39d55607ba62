#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "network/network_fixture.h"
#include "retrieval/retrieve_web_thread.h"
#include "retrieval/search_web_thread.h"
#include "retrieval/thread_robot_web_ftp_news.h"
#include "support/loopback_server.h"
#include "support/robot_run.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
using test::TScriptedAnswer;

constexpr std::string_view kRobot = "polite";
constexpr std::string_view kFolderRules =
    "User-agent: *\nDisallow: /site/private/\nAllow: /site/private/open/\n";
constexpr std::string_view kOurGroupRules =
    "User-agent: *\nDisallow: /\n\nUser-agent: Varnelo\nDisallow: /site/private/\n";

// The site of every crawl here: a start page that links to a refused page, to a page of an allowed
// folder inside the refused one, and to a public page.
class PoliteCrawlTest : public network::NetworkTest {
protected:
  PoliteCrawlTest() {
    const std::string start = "<a href=\"private/a.html\">a</a><a href=\"private/open/b.html\">b</a>"
                              "<a href=\"pub.html\">needle</a>";
    Serve("/site/", start);
    for (const char* path : {"/site/private/a.html", "/site/private/open/b.html", "/site/pub.html"}) {
      Serve(path, "<p>needle</p>");
    }
    server.AnswerOthers(TScriptedAnswer::Page("HTTP/1.1 404 Not Found", "", ""));
  }

  void Serve(const std::string& path, const std::string& body) {
    server.Answer(path, TScriptedAnswer::Ok(body));
    server.AnswerMethod("HEAD", path, TScriptedAnswer::Page("HTTP/1.1 200 OK", "Content-Type: text/html\r\n", ""));
  }

  void Configure(std::string_view dataFrom, std::string_view keys) {
    test::WriteFile(home.RobotConfigPath(), "[general]\r\n[" + std::string(kRobot) + "]\r\nDataFrom=" +
                                                std::string(dataFrom) + "\r\nSaveDirectory=" +
                                                saveDirectory.Path().string() + "\r\n" + std::string(keys));
  }

  void ServeRobots(std::string_view rules) {
    server.Answer("/robots.txt", TScriptedAnswer::Ok(rules, "Content-Type: text/plain\r\n"));
  }

  TWebSiteSettings Settings(std::string_view startPath = "/site/") const {
    TWebSiteSettings settings;
    settings.RobotName = kRobot;
    settings.SiteName = "S";
    settings.Sites = {server.Url(startPath)};
    settings.AcceptedTypes = {"*/*"};
    settings.MaxSize = "10000M";
    settings.Keywords = "needle";
    return settings;
  }

  // How many requests, of any method, each target received.
  int Asked(std::string_view target) const {
    int count = 0;
    for (const test::TRecordedRequest& request : server.Requests()) count += request.Target() == target ? 1 : 0;
    return count;
  }
  int Gets(std::string_view target) const {
    int count = 0;
    for (const test::TRecordedRequest& request : server.Requests()) {
      count += request.Method() == "GET" && request.Target() == target ? 1 : 0;
    }
    return count;
  }
  int LogCount(const std::string& line) const {
    return static_cast<int>(std::count(run.log.lines.begin(), run.log.lines.end(), line));
  }

  test::TTempHome home;
  test::TTempDir saveDirectory;
  test::TLoopbackServer server;
  test::TRobotRun run{home.Path()};
};

struct TRulesCase {
  std::string name;
  std::string_view robots;
  std::vector<std::string> refused;
  std::vector<std::string> fetched;
};
void PrintTo(const TRulesCase& c, std::ostream* out) { *out << c.name; }

class PoliteBackupRulesTest : public PoliteCrawlTest, public ::testing::WithParamInterface<TRulesCase> {};

TEST_P(PoliteBackupRulesTest, RefusedPagesAreNeverAskedForAndAllowedOnesAre) {
  const TRulesCase& c = GetParam();
  Configure("Web Site Backup", "RobotsTxt=1\r\n");
  ServeRobots(c.robots);
  run.RunToEnd(std::make_unique<TRetrieve>(run.ports, Settings()));

  EXPECT_EQ(Asked("/robots.txt"), 1);
  for (const std::string& path : c.refused) {
    EXPECT_EQ(Asked(path), 0) << path;
    EXPECT_EQ(LogCount("robots.txt interdit " + server.Url(path)), 1) << path;
  }
  for (const std::string& path : c.fetched) EXPECT_EQ(Gets(path), 1) << path;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PoliteBackupRulesTest,
    ::testing::Values(TRulesCase{"FolderWithAnAllowedFolderInside", kFolderRules, {"/site/private/a.html"},
                                 {"/site/", "/site/private/open/b.html", "/site/pub.html"}},
                      TRulesCase{"OurGroupBeatsStar", kOurGroupRules,
                                 {"/site/private/a.html", "/site/private/open/b.html"}, {"/site/", "/site/pub.html"}}),
    [](const ::testing::TestParamInfo<TRulesCase>& info) { return info.param.name; });

TEST_F(PoliteCrawlTest, KeywordSearchObeysTheRobotsTxt) {
  Configure("Web Site Keywords Search", "RobotsTxt=1\r\n");
  ServeRobots(kFolderRules);
  run.RunToEnd(std::make_unique<TSearchWebThread>(run.ports, Settings()));

  EXPECT_EQ(Asked("/robots.txt"), 1);
  EXPECT_EQ(Asked("/site/private/a.html"), 0);
  EXPECT_EQ(Gets("/site/private/open/b.html"), 1);
  EXPECT_EQ(Gets("/site/pub.html"), 1);
  EXPECT_EQ(LogCount("robots.txt interdit " + server.Url("/site/private/a.html")), 1);
}

TEST_F(PoliteCrawlTest, RefusedStartUrlStartsNothing) {
  Configure("Web Site Backup", "RobotsTxt=1\r\n");
  ServeRobots(kFolderRules);
  run.RunToEnd(std::make_unique<TRetrieve>(run.ports, Settings("/site/private/a.html")));

  EXPECT_EQ(Asked("/site/private/a.html"), 0);
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(LogCount("robots.txt interdit " + server.Url("/site/private/a.html")), 1);
}

TEST_F(PoliteCrawlTest, SpecifiedPagesSkipRefusedUrls) {
  Configure("Download Specified Web/Ftp/News pages", "RobotsTxt=1\r\n");
  ServeRobots(kFolderRules);
  environment_.Set("TMPDIR", saveDirectory.Path().string());
  run.RunToEnd(std::make_unique<TThreadRobotWebFtpNews>(
      run.ports, std::string(kRobot), "urlthread0*1",
      std::deque<std::string>{server.Url("/site/private/a.html"), server.Url("/site/pub.html")}));

  EXPECT_EQ(Asked("/robots.txt"), 1);
  EXPECT_EQ(Asked("/site/private/a.html"), 0);
  EXPECT_EQ(Gets("/site/pub.html"), 1);
  EXPECT_EQ(LogCount("robots.txt interdit " + server.Url("/site/private/a.html")), 1);
}

TEST_F(PoliteCrawlTest, DelayPacesEveryRequestOfTheCrawlsWorkers) {
  constexpr auto kDelay = 200ms;
  Configure("Web Site Backup", "DelayMs=200\r\n");
  run.RunToEnd(std::make_unique<TRetrieve>(run.ports, Settings()));

  std::vector<std::chrono::steady_clock::time_point> times;
  for (const test::TRecordedRequest& request : server.Requests()) times.push_back(request.receivedAt);
  std::sort(times.begin(), times.end());
  // The HEAD and GET of four pages, without a robots.txt.
  ASSERT_EQ(times.size(), 8u);
  EXPECT_EQ(Asked("/robots.txt"), 0);
  // The tolerance covers how far apart the requests' connections may reach the server.
  for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], kDelay - 50ms) << i;
}

TEST_F(PoliteCrawlTest, StopEndsALongDelayAtOnce) {
  Configure("Web Site Backup", "DelayMs=60000\r\n");
  bool ended = false;
  auto worker = std::make_unique<TRetrieve>(run.ports, Settings());
  worker->SetOnTerminate([&ended](base::TWorker&) { ended = true; });
  const std::chrono::milliseconds took = network::TimeOf([&] {
    base::TWorker* master = base::TWorker::Start(std::move(worker));
    run.mainQueue.RunUntil([this] { return !server.Requests().empty(); });
    master->Terminate();
    run.mainQueue.RunUntil([&ended] { return ended; });
  });
  EXPECT_EQ(server.Requests().size(), 1u);
  // Far below the delay: the waits did not run their course.
  EXPECT_LT(took, 30s);
}

TEST_F(PoliteCrawlTest, WithoutTheKeysNoRobotsTxtIsAskedForAndNothingIsRefused) {
  Configure("Web Site Backup", "");
  ServeRobots("User-agent: *\nDisallow: /\n");
  run.RunToEnd(std::make_unique<TRetrieve>(run.ports, Settings()));

  EXPECT_EQ(Asked("/robots.txt"), 0);
  for (const char* path : {"/site/", "/site/private/a.html", "/site/private/open/b.html", "/site/pub.html"}) {
    EXPECT_EQ(Gets(path), 1) << path;
  }
  EXPECT_THAT(run.log.lines, Not(Contains(::testing::StartsWith("robots.txt"))));
}

}  // namespace
}  // namespace varnelo::retrieval
