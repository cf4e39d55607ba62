// Servers that misbehave: each transfer ends with a failure or a partial answer, memory stays bounded,
// and nothing hangs beyond the read time-out or crashes. A body shorter than its length, or without its
// last chunk, is a failure and keeps nothing.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "network/http_answer.h"
#include "network/http_client.h"
#include "network/http_operations.h"
#include "network_fixture.h"
#include "support/loopback_server.h"

namespace varnelo::network {
namespace {

using namespace std::chrono_literals;
using ::testing::IsEmpty;
using ::testing::Le;
using ::testing::StartsWith;
using test::TLoopbackServer;
using test::TScriptedAnswer;

constexpr size_t kMiB = 1024 * 1024;
// Bounds that prove a transfer ended; far above what any of them takes.
constexpr auto kEnded = 20s;
// A server that goes silent stays so for longer than that, then closes: a client that does not end
// the wait itself fails the test instead of hanging it.
constexpr auto kStall = 30s;

size_t HeaderBytes(const THttpClient& client) {
  size_t total = 0;
  for (const std::string& line : client.Headers) total += line.size() + 2;
  return total;
}

struct THostileCase {
  const char* name;
  std::function<TScriptedAnswer()> answer;
  // Unset where a sound client may end either way.
  std::optional<bool> success;
  std::optional<int> resultCode;
  // Checks the body that was kept.
  std::function<void(const std::string&)> checkDocument;
};

void PrintTo(const THostileCase& c, std::ostream* out) { *out << c.name; }

class HostileServerTest : public NetworkTest, public ::testing::WithParamInterface<THostileCase> {};

TEST_P(HostileServerTest, EndsWithBoundedMemory) {
  const THostileCase& c = GetParam();
  TLoopbackServer server;
  server.AnswerOthers(c.answer());
  THttpClient client;
  // Short, so that a case that only ends by a time-out keeps the suite fast.
  client.Timeout = 1000;
  bool success = false;
  EXPECT_THAT(TimeOf([&] { success = client.HttpMethod("GET", server.Url("/")); }), Le(kEnded));
  if (c.success) {
    EXPECT_EQ(success, *c.success);
  }
  if (c.resultCode) {
    EXPECT_EQ(client.ResultCode, *c.resultCode);
  }
  EXPECT_THAT(HeaderBytes(client), Le(kMaxHeaderBlockBytes + 64 * 1024));
  c.checkDocument(client.Document);
}

std::function<void(const std::string&)> Is(std::string expected) {
  return [expected](const std::string& document) { EXPECT_EQ(document, expected); };
}

std::function<void(const std::string&)> AtMost(size_t bytes) {
  return [bytes](const std::string& document) { EXPECT_THAT(document.size(), Le(bytes)); };
}

const std::string kBlock(64 * 1024, 'a');

// "Endless" answers stop after this much, far beyond any cap: a client that lacks one then fails the
// test instead of exhausting the machine's memory.
constexpr std::uint64_t kFloodBytes = 64 * kMiB;

TScriptedAnswer& Flood(TScriptedAnswer& answer, std::string_view piece) {
  return answer.SendRepeated(piece, kFloodBytes / piece.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileServerTest,
    ::testing::Values(
        THostileCase{"endlessHeaderBlock",
                     [] {
                       TScriptedAnswer answer = TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\n");
                       return Flood(answer, "X-Filler: 0123456789abcdef\r\n");
                     },
                     true, 200, AtMost(2 * kMiB)},
        THostileCase{"tenMegabyteHeaderLine",
                     [] {
                       return TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nX-Long: ")
                           .SendRepeated(kBlock, 160)
                           .Send("\r\nContent-Length: 2\r\n\r\nok");
                     },
                     true, 200, AtMost(2 * kMiB)},
        THostileCase{"endlessStatusLine",
                     [] {
                       TScriptedAnswer answer = TScriptedAnswer::Raw("HTTP/1.1 200 ");
                       return Flood(answer, kBlock);
                     },
                     std::nullopt, std::nullopt, AtMost(2 * kMiB)},
        THostileCase{"endlessEmptyLinesBeforeTheStatus",
                     [] {
                       TScriptedAnswer answer;
                       return Flood(answer, "\r\n");
                     },
                     std::nullopt, std::nullopt, AtMost(2 * kMiB)},
        THostileCase{"garbageStatusLine",
                     [] { return TScriptedAnswer::Raw(std::string("\x16\x03\x01\x02\x00garbage\r\nmore", 18)); }, true,
                     0, Is(std::string("\x16\x03\x01\x02\x00garbage\r\nmore", 18))},
        THostileCase{"statusNumberTooLarge",
                     [] {
                       return TScriptedAnswer::Raw("HTTP/1.1 99999999999999999999 Big\r\nContent-Length: 1\r\n\r\nx");
                     },
                     true, 0, Is("x")},
        THostileCase{"chunkSizeTwoToThe63",
                     [] {
                       return TScriptedAnswer::Raw(
                           "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                           "5\r\nhello\r\n8000000000000000\r\nabc");
                     },
                     true, 200,
                     [](const std::string& document) {
                       EXPECT_THAT(document, StartsWith("hello"));
                       EXPECT_THAT(document.size(), Le(8u));
                     }},
        THostileCase{"chunkSizeAllOnes",
                     [] {
                       return TScriptedAnswer::Raw(
                           "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                           "5\r\nhello\r\nffffffffffffffff\r\nabc");
                     },
                     true, 200,
                     [](const std::string& document) {
                       EXPECT_THAT(document, StartsWith("hello"));
                       EXPECT_THAT(document.size(), Le(8u));
                     }},
        THostileCase{"chunkSizeLongerThan64Bits",
                     [] {
                       return TScriptedAnswer::Raw(
                           "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000000000000005\r\nhello");
                     },
                     true, 200, AtMost(5)},
        THostileCase{"hugeLengthThenClose",
                     [] {
                       return TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 4611686018427387904\r\n\r\nabc");
                     },
                     false, 200, Is("")},
        THostileCase{"closedMidBody",
                     [] { return TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"); },
                     false, 200, Is("")},
        THostileCase{"closedMidChunk",
                     [] {
                       return TScriptedAnswer::Raw(
                           "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\na\r\n01234");
                     },
                     false, 200, Is("")},
        THostileCase{"closedInsideTheHeaders",
                     [] { return TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: text/pl"); }, true, 200,
                     Is("")},
        THostileCase{"silentAfterTheHeaders",
                     [] {
                       return TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc").Pause(kStall);
                     },
                     false, 200, Is("")},
        THostileCase{"silentChunkedBody",
                     [] {
                       return TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n")
                           .Pause(kStall);
                     },
                     false, 200, Is("")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetworkTest, HundredMegabyteBodyArrivesWhole) {
  TLoopbackServer server;
  constexpr std::uint64_t kBlocks = 1600;
  server.AnswerOthers(TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: " +
                                           std::to_string(kBlocks * kBlock.size()) + "\r\n\r\n")
                          .SendRepeated(kBlock, kBlocks));
  const THttpDocument document = HttpGetDocument(server.Url("/large"));
  EXPECT_TRUE(document.Success);
  ASSERT_EQ(document.Body.size(), kBlocks * kBlock.size());
  EXPECT_EQ(document.Body.find_first_not_of('a'), std::string::npos);
}

TEST_F(NetworkTest, HeaderStalledLongerThanTheTimeoutKeepsWhatWasRead) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nX-One: 1\r\n").Pause(kStall));
  THttpClient client;
  client.Timeout = 300;
  EXPECT_THAT(TimeOf([&] { client.HttpMethod("GET", server.Url("/")); }), Le(kEnded));
  EXPECT_EQ(client.ResultCode, 200);
  ASSERT_GE(client.Headers.size(), 2u);
  EXPECT_EQ(client.Headers[0], "HTTP/1.1 200 OK");
  EXPECT_EQ(client.Headers[1], "X-One: 1");
}

TEST_F(NetworkTest, SilentServerEndsAtTheTimeout) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer().Pause(kStall));
  THttpClient client;
  client.Timeout = 300;
  EXPECT_THAT(TimeOf([&] { client.HttpMethod("GET", server.Url("/")); }), Le(kEnded));
  EXPECT_THAT(client.Document, IsEmpty());
}

TEST_F(NetworkTest, TrickleInsideTheTimeoutKeepsTheTransferAlive) {
  TLoopbackServer server;
  // Every byte of the body comes a quarter of the time-out after the one before: the whole takes
  // two time-outs, yet no single wait reaches one.
  server.AnswerOthers(TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n").Trickle("trickled", 150ms));
  THttpClient client;
  client.Timeout = 600;
  ASSERT_TRUE(client.HttpMethod("GET", server.Url("/")));
  EXPECT_EQ(client.Document, "trickled");
  EXPECT_EQ(client.Headers.back(), "");
}

TEST_F(NetworkTest, TrickleUntilCloseKeepsEveryByte) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Raw("HTTP/1.0 200 OK\r\n\r\n").Trickle("slowly", 150ms));
  THttpClient client;
  client.Timeout = 600;
  ASSERT_TRUE(client.HttpMethod("GET", server.Url("/")));
  EXPECT_EQ(client.Document, "slowly");
}

class CancelTest : public NetworkTest {
protected:
  // Runs `transfer` while the server keeps it busy, raises the flag after a moment, and returns how
  // long the transfer went on after that.
  std::chrono::milliseconds TimeAfterCancel(const std::function<void()>& transfer) {
    std::chrono::steady_clock::time_point cancelledAt;
    std::thread canceller([&] {
      std::this_thread::sleep_for(300ms);
      cancelledAt = std::chrono::steady_clock::now();
      cancel_ = true;
    });
    transfer();
    const auto end = std::chrono::steady_clock::now();
    canceller.join();
    return std::chrono::duration_cast<std::chrono::milliseconds>(end - cancelledAt);
  }

  std::atomic<bool> cancel_{false};
  TLoopbackServer server_;
};

TEST_F(CancelTest, EndsAStreamThatNeverEnds) {
  // A byte every 100 ms for 10 s: the default 90 s time-out never fires, so only the flag ends it
  // early.
  server_.AnswerOthers(
      TScriptedAnswer::Raw("HTTP/1.0 200 OK\r\n\r\nstart").Trickle(std::string(100, 'x'), 100ms));
  THttpClient client(&cancel_);
  EXPECT_THAT(TimeAfterCancel([&] { client.HttpMethod("GET", server_.Url("/")); }), Le(3s));
  // Cancelled while reading the body: what was read stays.
  EXPECT_EQ(client.ResultCode, 200);
  EXPECT_THAT(client.Document, StartsWith("start"));
}

TEST_F(CancelTest, EndsAWaitForASilentServer) {
  server_.AnswerOthers(TScriptedAnswer().Pause(kStall));
  THttpDocument document;
  EXPECT_THAT(TimeAfterCancel([&] { document = HttpGetDocument(server_.Url("/"), &cancel_); }), Le(3s));
}

// A server that stays silent after the connection, and one that sends its header block at a byte a
// second: every phase of a transfer that waits on it ends soon after the stop.
struct TStalledTransfer {
  const char* name;
  const char* scheme;
  bool trickledHeaders;
};

class StalledTransferCancelTest : public CancelTest, public ::testing::WithParamInterface<TStalledTransfer> {};

TEST_P(StalledTransferCancelTest, EndsSoonAfterTheStop) {
  TScriptedAnswer answer = GetParam().trickledHeaders
                               ? TScriptedAnswer().Trickle("HTTP/1.1 200 OK\r\nX-Slow: " + std::string(100, 'x'), 1s)
                               : TScriptedAnswer().Pause(kStall);
  server_.AnswerOthers(std::move(answer));
  // Over https the silent server holds the TLS handshake: no ServerHello ever comes.
  const std::string url = std::string(GetParam().scheme) + "://" + server_.Authority() + "/";
  EXPECT_THAT(TimeAfterCancel([&] { HttpGetDocument(url, &cancel_); }), Le(3s));
}

INSTANTIATE_TEST_SUITE_P(Phases, StalledTransferCancelTest,
                         ::testing::Values(TStalledTransfer{"HeaderWait", "http", false},
                                           TStalledTransfer{"TrickledHeaders", "http", true},
                                           TStalledTransfer{"TlsHandshake", "https", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CancelTest, EndsTheRedirectWalk) {
  server_.AnswerMethod("HEAD", "/start", TScriptedAnswer::Redirect(302, server_.Url("/held")));
  server_.AnswerMethod("HEAD", "/held", TScriptedAnswer().Pause(kStall));
  std::string url = server_.Url("/start");
  std::string mimeType;
  std::int64_t length = 0;
  bool resolved = true;
  EXPECT_THAT(TimeAfterCancel([&] { resolved = HttpResolveFinal(url, length, mimeType, &cancel_); }), Le(3s));
  EXPECT_FALSE(resolved);
}

// The grace after a stop is the caller's: a body that goes on arriving a second after the stop is
// read whole within a long grace and given up without one.
struct TCallerGrace {
  const char* name;
  std::chrono::milliseconds grace;
  bool whole;
};

class CallerGraceTest : public CancelTest, public ::testing::WithParamInterface<TCallerGrace> {};

TEST_P(CallerGraceTest, DecidesWhetherTheBodyUnderWayIsReadWhole) {
  server_.AnswerOthers(TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nab")
                           .WaitUntil([this] { return cancel_.load(); }, kStall)
                           .Pause(1s)
                           .Send("cd"));
  THttpClient client(TCancel(&cancel_, GetParam().grace));
  bool success = false;
  EXPECT_THAT(TimeAfterCancel([&] { success = client.HttpMethod("GET", server_.Url("/")); }), Le(10s));
  EXPECT_EQ(success, GetParam().whole);
  EXPECT_EQ(client.Document, GetParam().whole ? "abcd" : "");
}

INSTANTIATE_TEST_SUITE_P(Graces, CallerGraceTest,
                         ::testing::Values(TCallerGrace{"None", 0ms, false}, TCallerGrace{"Long", 5s, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CancelTest, RaisedBeforeTheRequestNothingIsSent) {
  cancel_ = true;
  const THttpDocument document = HttpGetDocument(server_.Url("/"), &cancel_);
  EXPECT_FALSE(document.Success);
  EXPECT_EQ(document.ResultCode, 500);
  EXPECT_THAT(server_.Requests(), IsEmpty());
}

}  // namespace
}  // namespace varnelo::network
