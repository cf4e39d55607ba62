#include "retrieval/polite_gate.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "network/http_client.h"
#include "network/network_fixture.h"
#include "support/loopback_server.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::TScriptedAnswer;

constexpr std::string_view kFolderRules = "User-agent: *\nDisallow: /private/\n";

TScriptedAnswer Text(std::string_view body) { return TScriptedAnswer::Ok(body, "Content-Type: text/plain\r\n"); }

class PoliteGateTest : public network::NetworkTest {
protected:
  PoliteGateTest() { server.AnswerOthers(TScriptedAnswer::Ok("page")); }

  TPoliteGate Gate(TPoliteness politeness) {
    return TPoliteGate(politeness, [this](const std::string& line) {
      const std::lock_guard<std::mutex> guard(logMutex);
      log.push_back(line);
    });
  }

  // One GET of `path` through the gate, as the crawl's transfers make them.
  bool Get(TPoliteGate& gate, std::string_view path, const std::atomic<bool>* stop = nullptr) {
    network::THttpClient client{network::TCancel(stop, network::TCancel::kDefaultGrace, &gate)};
    return client.HttpMethod("GET", server.Url(path));
  }

  std::vector<std::string> Targets() const {
    std::vector<std::string> targets;
    for (const test::TRecordedRequest& request : server.Requests()) targets.push_back(request.Target());
    return targets;
  }

  // The times between the requests the server received, in their order of arrival.
  std::vector<std::chrono::milliseconds> Gaps() const {
    std::vector<std::chrono::steady_clock::time_point> times;
    for (const test::TRecordedRequest& request : server.Requests()) times.push_back(request.receivedAt);
    std::sort(times.begin(), times.end());
    std::vector<std::chrono::milliseconds> gaps;
    for (size_t i = 1; i < times.size(); ++i) {
      gaps.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(times[i] - times[i - 1]));
    }
    return gaps;
  }

  test::TLoopbackServer server;
  std::mutex logMutex;
  std::vector<std::string> log;
};

struct TRobotsAnswerCase {
  std::string name;
  std::function<TScriptedAnswer(const test::TLoopbackServer&)> answer;
  bool privateRefused;
  bool saysUnavailable;
};
void PrintTo(const TRobotsAnswerCase& c, std::ostream* out) { *out << c.name; }

class PoliteGateAnswerTest : public PoliteGateTest, public ::testing::WithParamInterface<TRobotsAnswerCase> {};

TEST_P(PoliteGateAnswerTest, ObeysWhatTheRobotsTxtAnswerAllows) {
  const TRobotsAnswerCase& c = GetParam();
  server.Answer("/real-robots.txt", Text(kFolderRules));
  server.Answer("/robots.txt", c.answer(server));
  TPoliteGate gate = Gate({true, 0ms});

  EXPECT_EQ(Get(gate, "/private/a.html"), !c.privateRefused);
  EXPECT_TRUE(Get(gate, "/pub.html"));

  const std::vector<std::string> targets = Targets();
  EXPECT_EQ(std::count(targets.begin(), targets.end(), "/robots.txt"), 1);
  EXPECT_EQ(std::count(targets.begin(), targets.end(), "/private/a.html"), c.privateRefused ? 0 : 1);
  EXPECT_EQ(std::count(targets.begin(), targets.end(), "/pub.html"), 1);
  const std::string unavailable = "robots.txt inaccessible " + server.Url("/robots.txt");
  EXPECT_EQ(std::count(log.begin(), log.end(), unavailable), c.saysUnavailable ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PoliteGateAnswerTest,
    ::testing::Values(
        TRobotsAnswerCase{"Rules", [](const auto&) { return Text(kFolderRules); }, true, false},
        TRobotsAnswerCase{"Missing", [](const auto&) { return TScriptedAnswer::Page("HTTP/1.1 404 Not Found", "", ""); },
                          false, false},
        TRobotsAnswerCase{"Forbidden", [](const auto&) { return TScriptedAnswer::Page("HTTP/1.1 403 Forbidden", "", ""); },
                          false, false},
        TRobotsAnswerCase{"ServerError",
                          [](const auto&) { return TScriptedAnswer::Page("HTTP/1.1 503 Busy", "", kFolderRules); },
                          false, true},
        TRobotsAnswerCase{"ClosedWithoutAnswer", [](const auto&) { return TScriptedAnswer::Raw(""); }, false, true},
        TRobotsAnswerCase{"Broken", [](const auto&) { return Text(std::string("\0\x01\xFF<html>Disallow /\n", 20)); },
                          false, false},
        TRobotsAnswerCase{"Redirected",
                          [](const test::TLoopbackServer& s) {
                            return TScriptedAnswer::Redirect(301, s.Url("/real-robots.txt"));
                          },
                          true, false}),
    [](const ::testing::TestParamInfo<TRobotsAnswerCase>& info) { return info.param.name; });

TEST_F(PoliteGateTest, RefusedUrlIsNeverRequestedAndLoggedOnce) {
  server.Answer("/robots.txt", Text(kFolderRules));
  TPoliteGate gate = Gate({true, 0ms});
  EXPECT_FALSE(Get(gate, "/private/a.html"));
  EXPECT_FALSE(Get(gate, "/private/a.html"));
  EXPECT_THAT(Targets(), ElementsAre("/robots.txt"));
  EXPECT_THAT(log, ElementsAre("robots.txt interdit " + server.Url("/private/a.html")));
}

TEST_F(PoliteGateTest, HugeRobotsTxtIsReadUpToItsCap) {
  std::string robots = "User-agent: *\nDisallow: /early/\n";
  while (robots.size() < kMaxRobotsTxtBytes + 64 * 1024) robots += "# filler filler filler filler filler filler\n";
  robots += "Disallow: /late/\n";
  server.Answer("/robots.txt", Text(robots));
  TPoliteGate gate = Gate({true, 0ms});
  EXPECT_FALSE(Get(gate, "/early/x"));
  EXPECT_TRUE(Get(gate, "/late/x"));
  EXPECT_THAT(Targets(), ElementsAre("/robots.txt", "/late/x"));
  EXPECT_THAT(log, ElementsAre("robots.txt interdit " + server.Url("/early/x")));
}

TEST_F(PoliteGateTest, RequestsWaitForASlowRobotsTxtAndItIsAskedOnce) {
  server.Answer("/robots.txt", TScriptedAnswer().Pause(400ms).Send(
      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kFolderRules.size()) + "\r\n\r\n" +
      std::string(kFolderRules)));
  TPoliteGate gate = Gate({true, 0ms});
  std::vector<std::thread> workers;
  std::atomic<int> admitted{0};
  for (const char* path : {"/private/1", "/private/2", "/pub/1", "/pub/2"}) {
    workers.emplace_back([&, path] { admitted += Get(gate, path) ? 1 : 0; });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(admitted.load(), 2);
  std::vector<std::string> targets = Targets();
  std::sort(targets.begin(), targets.end());
  EXPECT_THAT(targets, ElementsAre("/pub/1", "/pub/2", "/robots.txt"));
}

TEST_F(PoliteGateTest, DelayPacesRequestsToOneHostAcrossThreads) {
  constexpr auto kDelay = 300ms;
  TPoliteGate gate = Gate({false, kDelay});
  std::vector<std::thread> workers;
  for (int worker = 0; worker < 2; ++worker) {
    workers.emplace_back([&] {
      for (int request = 0; request < 2; ++request) EXPECT_TRUE(Get(gate, "/a"));
    });
  }
  for (std::thread& worker : workers) worker.join();
  const std::vector<std::chrono::milliseconds> gaps = Gaps();
  ASSERT_EQ(gaps.size(), 3u);
  // The tolerance covers how far apart the requests' connections may reach the server.
  for (const std::chrono::milliseconds gap : gaps) EXPECT_GE(gap, kDelay - 50ms);
  EXPECT_THAT(log, IsEmpty());
}

TEST_F(PoliteGateTest, CrawlDelayPacesFromTheRobotsTxtOn) {
  server.Answer("/robots.txt", Text("User-agent: *\nCrawl-delay: 0.3\n"));
  TPoliteGate gate = Gate({true, 100ms});
  for (int request = 0; request < 3; ++request) EXPECT_TRUE(Get(gate, "/a"));
  const std::vector<std::chrono::milliseconds> gaps = Gaps();
  ASSERT_EQ(gaps.size(), 3u);
  for (const std::chrono::milliseconds gap : gaps) EXPECT_GE(gap, 250ms);
}

TEST_F(PoliteGateTest, StopEndsALongWaitAndNothingIsSent) {
  TPoliteGate gate = Gate({false, 60s});
  ASSERT_TRUE(Get(gate, "/first"));
  std::atomic<bool> stop{false};
  bool sent = true;
  const std::chrono::milliseconds took = network::TimeOf([&] {
    std::thread waiting([&] { sent = Get(gate, "/second", &stop); });
    std::this_thread::sleep_for(100ms);
    stop = true;
    waiting.join();
  });
  EXPECT_FALSE(sent);
  EXPECT_THAT(Targets(), ElementsAre("/first"));
  // Far below the delay: the wait did not run its course.
  EXPECT_LT(took, 30s);
}

TEST_F(PoliteGateTest, EachHostHasAPaceOfItsOwn) {
  test::TLoopbackServer other;
  other.AnswerOthers(TScriptedAnswer::Ok("page"));
  TPoliteGate gate = Gate({false, 60s});
  ASSERT_TRUE(Get(gate, "/a"));
  network::THttpClient client{network::TCancel(nullptr, network::TCancel::kDefaultGrace, &gate)};
  EXPECT_LT(network::TimeOf([&] { EXPECT_TRUE(client.HttpMethod("GET", other.Url("/b"))); }), 30s);
}

TEST(PoliteGateSettingsTest, NoGateUnlessTheRobotAsksForOne) {
  struct TCase {
    std::string keys;
    bool gate;
  };
  for (const TCase& c : {TCase{"", false}, TCase{"RobotsTxt=0\r\nDelayMs=0\r\n", false}, TCase{"DelayMs=-5\r\n", false},
                         TCase{"RobotsTxt=1\r\n", true}, TCase{"DelayMs=250\r\n", true}}) {
    const test::TTempHome home("[general]\r\n[r]\r\n" + c.keys);
    base::TMainQueue queue;
    test::TRecordingLog log;
    const config::TConfigStore store(home.RobotConfigPath());
    EXPECT_EQ(MakePoliteGate(store, "r", queue, log) != nullptr, c.gate) << c.keys;
  }
  const test::TTempHome home("[general]\r\n[r]\r\nRobotsTxt=1\r\nDelayMs=250\r\n");
  const TPoliteness politeness = ReadPoliteness(config::TConfigStore(home.RobotConfigPath()), "r");
  EXPECT_TRUE(politeness.RobotsTxt);
  EXPECT_EQ(politeness.Delay, 250ms);
}

}  // namespace
}  // namespace varnelo::retrieval
