// Connections kept between requests, and TLS sessions resumed on new ones.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "network/connection_pool.h"
#include "network/http_client.h"
#include "network/tls_session_cache.h"
#include "network/transport_counters.h"
#include "network_fixture.h"
#include "support/delay_relay.h"
#include "support/loopback_server.h"
#include "support/test_certificate.h"

namespace varnelo::network {
namespace {

using namespace std::chrono_literals;
using test::TLoopbackServer;
using test::TScriptedAnswer;
using ::testing::ElementsAre;

class ConnectionPoolTest : public NetworkTest {
protected:
  ConnectionPoolTest() {
    ConnectionPool().Clear();
    ClearSessionCache();
  }
  ~ConnectionPoolTest() override { ConnectionPool().Clear(); }

  static std::vector<std::string> Targets(const TLoopbackServer& server) {
    std::vector<std::string> targets;
    for (const auto& request : server.Requests()) targets.push_back(request.Target());
    return targets;
  }
};

TEST_F(ConnectionPoolTest, TwoRequestsToOneHostShareOneConnection) {
  TLoopbackServer server({.keepAlive = true});
  server.Answer("/a", TScriptedAnswer::Ok("first"));
  server.Answer("/b", TScriptedAnswer::Chunked("HTTP/1.1 200 OK", "", {"sec", "ond"}));
  server.Answer("/c", TScriptedAnswer::Ok("third"));
  server.AnswerMethod("HEAD", "/c", TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n"));
  const std::int64_t reusedBefore = TransportCounters().ConnectionsReused;

  THttpClient first;
  ASSERT_TRUE(first.HttpMethod("GET", server.Url("/a")));
  EXPECT_EQ(first.Document, "first");
  THttpClient second;
  ASSERT_TRUE(second.HttpMethod("GET", server.Url("/b")));
  EXPECT_EQ(second.Document, "second");
  THttpClient head;
  ASSERT_TRUE(head.HttpMethod("HEAD", server.Url("/c")));
  THttpClient third;
  ASSERT_TRUE(third.HttpMethod("GET", server.Url("/c")));
  EXPECT_EQ(third.Document, "third");

  EXPECT_EQ(server.Connections(), 1);
  EXPECT_EQ(TransportCounters().ConnectionsReused - reusedBefore, 3);
  EXPECT_THAT(Targets(server), ElementsAre("/a", "/b", "/c", "/c"));
}

// Answers after which the connection must not serve again; the next request opens a new one.
struct TUnkeptCase {
  const char* name;
  bool keepAlive;  // the server would read another request on the connection
  TScriptedAnswer answer;
  int timeout = THttpClient::kDefaultTimeout;
  bool raiseStop = false;  // the stop comes while the answer is sent
  bool success = true;
  // The client can tell from the answer alone; a server that closes without saying so is seen closed
  // when the connection is next asked for, so the pool may hold it until then.
  bool toldByAnswer = true;
};

class UnkeptConnectionTest : public ConnectionPoolTest, public ::testing::WithParamInterface<TUnkeptCase> {};

TEST_P(UnkeptConnectionTest, LeavesNoConnectionInThePool) {
  const TUnkeptCase& tried = GetParam();
  TLoopbackServer server({.keepAlive = tried.keepAlive});
  std::atomic<bool> stop{false};
  TScriptedAnswer answer = tried.answer;
  if (tried.raiseStop) {
    answer = TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n")
                 .WaitUntil(
                     [&stop] {
                       stop = true;
                       return true;
                     },
                     1s)
                 .Send("body");
  }
  server.Answer("/first", answer);
  server.Answer("/next", TScriptedAnswer::Ok("next page"));

  THttpClient client(TCancel(&stop, 2s));
  client.Timeout = tried.timeout;
  EXPECT_EQ(client.HttpMethod("GET", server.Url("/first")), tried.success);
  if (tried.toldByAnswer) {
    EXPECT_EQ(ConnectionPool().IdleCount(), 0u);
  }

  THttpClient next;
  ASSERT_TRUE(next.HttpMethod("GET", server.Url("/next")));
  EXPECT_EQ(next.Document, "next page");
  EXPECT_EQ(server.Connections(), 2);
  EXPECT_THAT(Targets(server), ElementsAre("/first", "/next"));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UnkeptConnectionTest,
    ::testing::Values(
        TUnkeptCase{"ServerClosesAfterEachAnswer", false, TScriptedAnswer::Ok("page"), THttpClient::kDefaultTimeout,
                    false, true, false},
        TUnkeptCase{"ConnectionClose", true, TScriptedAnswer::Page("HTTP/1.1 200 OK", "Connection: close\r\n", "page")},
        TUnkeptCase{"Http10Answer", true, TScriptedAnswer::Page("HTTP/1.0 200 OK", "", "page")},
        TUnkeptCase{"BodyReadToClose", false, TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\n\r\npage")},
        TUnkeptCase{"CancelledTransfer", true, TScriptedAnswer::Ok(""), THttpClient::kDefaultTimeout, true},
        TUnkeptCase{"BodyTimesOut", true,
                    TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n12345").Pause(5s), 300, false,
                    false},
        TUnkeptCase{"HeaderTimesOut", true, TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\n").Pause(5s), 300, false, false},
        TUnkeptCase{"ExtraBytesAfterTheBody", true,
                    TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokHTTP/1.1")},
        TUnkeptCase{"ChunkSizeNotANumber", true,
                    TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\nzz\r\n")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConnectionPoolTest, KeptConnectionClosedByTheServerIsRetriedOnce) {
  TLoopbackServer server({.keepAlive = true, .dropSecondRequest = true});
  server.Answer("/a", TScriptedAnswer::Ok("first"));
  server.Answer("/b", TScriptedAnswer::Ok("second", "Content-Type: text/plain\r\n"));

  THttpClient first;
  ASSERT_TRUE(first.HttpMethod("GET", server.Url("/a")));
  THttpClient second;
  ASSERT_TRUE(second.HttpMethod("GET", server.Url("/b")));
  EXPECT_EQ(second.ResultCode, 200);
  EXPECT_EQ(second.Document, "second");
  EXPECT_EQ(second.MimeType, "text/plain");
  EXPECT_EQ(server.Connections(), 2);
  EXPECT_THAT(Targets(server), ElementsAre("/a", "/b", "/b"));
}

TEST_F(ConnectionPoolTest, StopAskedBeforeTheRequestLeavesAKeptConnectionUnused) {
  TLoopbackServer server({.keepAlive = true});
  server.AnswerOthers(TScriptedAnswer::Ok("page"));
  THttpClient first;
  ASSERT_TRUE(first.HttpMethod("GET", server.Url("/a")));
  ASSERT_EQ(ConnectionPool().IdleCount(), 1u);
  const std::atomic<bool> stop{true};
  THttpClient stopped(&stop);
  EXPECT_FALSE(stopped.HttpMethod("GET", server.Url("/b")));
  EXPECT_EQ(stopped.ResultCode, 500);
  EXPECT_THAT(Targets(server), ElementsAre("/a"));
}

TEST_F(ConnectionPoolTest, FreshConnectionClosedWithoutAnswerIsNotRetried) {
  TLoopbackServer server;
  server.Answer("/a", TScriptedAnswer::Raw(""));
  THttpClient client;
  ASSERT_TRUE(client.HttpMethod("GET", server.Url("/a")));
  EXPECT_EQ(client.ResultCode, 0);
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(ConnectionPoolTest, ThreeWorkersNeverShareAConnection) {
  constexpr int kWorkers = 3;
  constexpr int kEach = 40;
  TLoopbackServer server({.keepAlive = true});
  const auto pathOf = [](int worker, int index) {
    return "/w" + std::to_string(worker) + "/" + std::to_string(index);
  };
  for (int worker = 0; worker < kWorkers; ++worker) {
    for (int index = 0; index < kEach; ++index) {
      // A short wait before each answer keeps the workers' requests overlapping.
      const std::string body = "page " + pathOf(worker, index);
      server.Answer(pathOf(worker, index),
                    TScriptedAnswer().Pause(2ms).Send("HTTP/1.1 200 OK\r\nContent-Length: " +
                                                      std::to_string(body.size()) + "\r\n\r\n" + body));
    }
  }
  std::atomic<int> wrong{0};
  std::vector<std::thread> workers;
  for (int worker = 0; worker < kWorkers; ++worker) {
    workers.emplace_back([&, worker] {
      for (int index = 0; index < kEach; ++index) {
        THttpClient client;
        const bool done = client.HttpMethod("GET", server.Url(pathOf(worker, index)));
        if (!done || client.Document != "page " + pathOf(worker, index)) ++wrong;
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(server.Requests().size(), size_t(kWorkers * kEach));
  EXPECT_LE(server.Connections(), kWorkers);
}

TEST_F(ConnectionPoolTest, RequestsThroughADelayRelayKeepTheirConnection) {
  TLoopbackServer server({.keepAlive = true});
  const std::string large(300 * 1024, 'x');  // more than one read of the relay
  server.Answer("/a", TScriptedAnswer::Ok("first"));
  server.Answer("/large", TScriptedAnswer::Ok(large));
  const test::TDelayRelay relay(server.Port(), {.roundTrip = 10ms, .bytesPerSecond = 16 * 1024 * 1024});
  THttpClient first;
  ASSERT_TRUE(first.HttpMethod("GET", "http://" + relay.Authority() + "/a"));
  EXPECT_EQ(first.Document, "first");
  THttpClient second;
  ASSERT_TRUE(second.HttpMethod("GET", "http://" + relay.Authority() + "/large"));
  EXPECT_EQ(second.Document, large);
  EXPECT_EQ(relay.Connections(), 1);
  EXPECT_EQ(server.Connections(), 1);
}

class TlsResumptionTest : public ConnectionPoolTest {
protected:
  static const test::TTestCertificate& Certificate() {
    static const test::TTestCertificate certificate;
    return certificate;
  }
};

TEST_F(TlsResumptionTest, SecondConnectionToTheSameHostResumesItsSession) {
  TrustAuthority(Certificate().CaFile());
  // The server closes every connection, so each request makes a new handshake.
  TLoopbackServer server({.certificate = &Certificate()});
  server.AnswerOthers(TScriptedAnswer::Page("HTTP/1.1 200 OK", "Connection: close\r\n", "secret"));
  const std::string byName = "https://localhost:" + std::to_string(server.Port()) + "/";
  const auto get = [](const std::string& url) {
    THttpClient client;
    return client.HttpMethod("GET", url) && client.Document == "secret";
  };

  ASSERT_TRUE(get(server.Url("/")));
  EXPECT_EQ(server.ResumedHandshakes(), 0);
  ASSERT_TRUE(get(server.Url("/")));
  EXPECT_EQ(server.ResumedHandshakes(), 1);
  ASSERT_TRUE(get(byName));  // another host name: a full handshake
  EXPECT_EQ(server.ResumedHandshakes(), 1);
  ASSERT_TRUE(get(byName));
  EXPECT_EQ(server.ResumedHandshakes(), 2);
  EXPECT_EQ(server.Connections(), 4);
}

TEST_F(TlsResumptionTest, SessionMadeWithoutChecksIsNotResumedWithThem) {
  // The first connection trusts nothing extra and skips checks; the second checks and must see the
  // certificate, not a session that never verified it.
  TLoopbackServer server({.certificate = &Certificate()});
  server.AnswerOthers(TScriptedAnswer::Page("HTTP/1.1 200 OK", "Connection: close\r\n", "secret"));
  THttpClient unchecked;
  unchecked.TlsVerify = false;
  ASSERT_TRUE(unchecked.HttpMethod("GET", server.Url("/")));
  THttpClient checked;
  EXPECT_FALSE(checked.HttpMethod("GET", server.Url("/")));
  EXPECT_EQ(checked.ResultCode, 500);
  EXPECT_EQ(server.ResumedHandshakes(), 0);
}

}  // namespace
}  // namespace varnelo::network
