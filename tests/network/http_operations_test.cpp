// The operations built on the client: documents, lines, redirect chains, single HEAD requests.

#include "network/http_operations.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>

#include "network/fetch_log.h"
#include "network_fixture.h"
#include "platform/unique_fd.h"
#include "support/loopback_server.h"

namespace varnelo::network {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::IsEmpty;
using test::TLoopbackServer;
using test::TScriptedAnswer;

class OperationsTest : public NetworkTest {
protected:
  std::vector<std::string> RequestLines() const {
    std::vector<std::string> lines;
    for (const auto& request : server_.Requests()) lines.push_back(request.RequestLine());
    return lines;
  }

  TLoopbackServer server_;
};

TEST_F(OperationsTest, GetDocumentSucceedsWhateverTheStatus) {
  server_.Answer("/missing", TScriptedAnswer::Page("HTTP/1.1 404 Not Found", "Content-Type: text/plain\r\n", "no"));
  const THttpDocument document = HttpGetDocument(server_.Url("/missing"));
  EXPECT_TRUE(document.Success);
  EXPECT_EQ(document.ResultCode, 404);
  EXPECT_EQ(document.Body, "no");
  EXPECT_EQ(document.MimeType, "text/plain");
}

TEST_F(OperationsTest, GetDocumentFailsOnARefusedConnection) {
  const THttpDocument document = HttpGetDocument(RefusedUrl("/"));
  EXPECT_FALSE(document.Success);
  EXPECT_EQ(document.ResultCode, 500);
  EXPECT_THAT(document.Body, IsEmpty());
}

TEST_F(OperationsTest, ConnectionClosedBeforeAnsweringIsAnAnswerWithoutStatusLine) {
  server_.AnswerOthers(TScriptedAnswer::Raw(""));
  const THttpDocument document = HttpGetDocument(server_.Url("/"));
  EXPECT_TRUE(document.Success);
  EXPECT_EQ(document.ResultCode, 0);
  EXPECT_THAT(document.Body, IsEmpty());
}

TEST_F(OperationsTest, GetDocumentKeepsBinaryBytes) {
  const std::string body("\0\x01\xff\r\n\r\x7f", 7);
  server_.AnswerOthers(TScriptedAnswer::Ok(body, "Content-Type: application/octet-stream\r\n"));
  const THttpDocument document = HttpGetDocument(server_.Url("/bin"));
  EXPECT_EQ(document.Body, body);
  EXPECT_EQ(document.MimeType, "application/octet-stream");
}

TEST_F(OperationsTest, GetLinesCutsAtEveryLineEnd) {
  server_.AnswerOthers(TScriptedAnswer::Ok("a\r\nb\nc\rd\r\n\r\ne"));
  std::vector<std::string> lines{"left over"};
  EXPECT_TRUE(HttpGetLines(server_.Url("/"), lines));
  EXPECT_THAT(lines, ElementsAre("a", "b", "c", "d", "", "e"));
}

class GetLinesRedirectTest : public OperationsTest, public ::testing::WithParamInterface<int> {};

TEST_P(GetLinesRedirectTest, FollowsOneStepWithAFreshRequest) {
  server_.Answer("/first", TScriptedAnswer::Page("HTTP/1.1 " + std::to_string(GetParam()) + " Found",
                                                 "Location: " + server_.Url("/second") + "\r\n", "first body"));
  server_.Answer("/second", TScriptedAnswer::Ok("second\nbody"));
  std::vector<std::string> lines;
  TLinesSource source;
  EXPECT_TRUE(HttpGetLines(server_.Url("/first"), lines, nullptr, nullptr, &source));
  EXPECT_THAT(lines, ElementsAre("second", "body"));
  // The answer that gave the lines.
  EXPECT_EQ(source.Url, server_.Url("/second"));
  EXPECT_EQ(source.ResultCode, 200);
  EXPECT_THAT(RequestLines(), ElementsAre("GET /first HTTP/1.1", "GET /second HTTP/1.1"));
  EXPECT_EQ(server_.Connections(), 2);
}

INSTANTIATE_TEST_SUITE_P(Statuses, GetLinesRedirectTest, ::testing::Values(302, 303));

TEST_F(OperationsTest, GetLinesOnAPermanentRedirectGivesItsOwnBody) {
  server_.Answer("/first", TScriptedAnswer::Page("HTTP/1.1 301 Moved Permanently",
                                                 "Location: " + server_.Url("/second") + "\r\n", "moved\nhere"));
  server_.Answer("/second", TScriptedAnswer::Ok("second"));
  std::vector<std::string> lines;
  TLinesSource source;
  EXPECT_TRUE(HttpGetLines(server_.Url("/first"), lines, nullptr, nullptr, &source));
  EXPECT_THAT(lines, ElementsAre("moved", "here"));
  EXPECT_EQ(source.Url, server_.Url("/first"));
  EXPECT_EQ(source.ResultCode, 301);
  EXPECT_THAT(RequestLines(), ElementsAre("GET /first HTTP/1.1"));
}

TEST_F(OperationsTest, GetLinesMakesOnlyOneRedirectStep) {
  server_.Answer("/1", TScriptedAnswer::Page("HTTP/1.1 302 Found", "Location: " + server_.Url("/2") + "\r\n", "one"));
  server_.Answer("/2", TScriptedAnswer::Page("HTTP/1.1 302 Found", "Location: " + server_.Url("/3") + "\r\n", "two"));
  server_.Answer("/3", TScriptedAnswer::Ok("three"));
  std::vector<std::string> lines;
  EXPECT_TRUE(HttpGetLines(server_.Url("/1"), lines));
  EXPECT_THAT(lines, ElementsAre("two"));
  EXPECT_THAT(RequestLines(), ElementsAre("GET /1 HTTP/1.1", "GET /2 HTTP/1.1"));
}

TEST_F(OperationsTest, GetLinesTakesTheResultOfTheSecondRequest) {
  const std::string gone = RefusedUrl("/gone");
  server_.Answer("/first", TScriptedAnswer::Redirect(302, gone));
  std::vector<std::string> lines;
  TLinesSource source{"left over", -1};
  EXPECT_FALSE(HttpGetLines(server_.Url("/first"), lines, nullptr, nullptr, &source));
  EXPECT_THAT(lines, IsEmpty());
  EXPECT_EQ(source.Url, gone);
  EXPECT_EQ(source.ResultCode, 0);
}

// A chain of `redirects` answers /0 -> /1 -> ... then a 200 at the end.
void ServeChain(TLoopbackServer& server, int redirects, const TScriptedAnswer& last) {
  for (int i = 0; i < redirects; ++i)
    server.Answer("/" + std::to_string(i), TScriptedAnswer::Redirect(301, server.Url("/" + std::to_string(i + 1))));
  server.Answer("/" + std::to_string(redirects), last);
}

// The answer to HEAD at the end of a chain: a length but no body.
const TScriptedAnswer kFinalPage =
    TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 42\r\n\r\n");

MATCHER_P2(ChainEntry, url, finalUrl, "") {
  return arg.Url == url && arg.Desc.FinalUrl == finalUrl && arg.Desc.MimeType == "text/plain";
}

TEST_F(OperationsTest, ResolveChainAppendsEveryUrlWithTheFinalOne) {
  ServeChain(server_, 2, kFinalPage);
  std::vector<TUrlChainEntry> list{{"earlier", {"kept", "as is"}}};
  std::string url = server_.Url("/0");
  std::string mimeType = "unset";
  std::int64_t contentLength = -7;
  ASSERT_TRUE(HttpResolveChain(list, url, mimeType, contentLength));
  const std::string c = server_.Url("/2");
  EXPECT_EQ(url, c);
  EXPECT_EQ(mimeType, "text/plain");
  EXPECT_EQ(contentLength, 42);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].Url, "earlier");
  EXPECT_EQ(list[0].Desc.FinalUrl, "kept");
  EXPECT_THAT(std::vector(list.begin() + 1, list.end()),
              ElementsAre(ChainEntry(server_.Url("/0"), c), ChainEntry(server_.Url("/1"), c), ChainEntry(c, c)));
  EXPECT_THAT(RequestLines(), ElementsAre("HEAD /0 HTTP/1.1", "HEAD /1 HTTP/1.1", "HEAD /2 HTTP/1.1"));
}

TEST_F(OperationsTest, ResolveChainReachesTheEndOnTheSixthRequest) {
  ServeChain(server_, 5, kFinalPage);
  std::vector<TUrlChainEntry> list;
  std::string url = server_.Url("/0");
  std::string mimeType;
  std::int64_t contentLength = 0;
  EXPECT_TRUE(HttpResolveChain(list, url, mimeType, contentLength));
  EXPECT_EQ(list.size(), 6u);
  EXPECT_EQ(url, server_.Url("/5"));
}

TEST_F(OperationsTest, ResolveChainFailsAfterSixRedirectsAndAppendsNothing) {
  ServeChain(server_, 6, kFinalPage);
  std::vector<TUrlChainEntry> list;
  std::string url = server_.Url("/0");
  std::string mimeType = "unset";
  std::int64_t contentLength = -7;
  EXPECT_FALSE(HttpResolveChain(list, url, mimeType, contentLength));
  EXPECT_THAT(list, IsEmpty());
  EXPECT_EQ(mimeType, "unset");
  EXPECT_EQ(contentLength, -7);
  EXPECT_EQ(server_.Requests().size(), 6u);
}

TEST_F(OperationsTest, ResolveChainEndsARedirectLoop) {
  server_.Answer("/loop", TScriptedAnswer::Redirect(302, server_.Url("/loop")));
  std::vector<TUrlChainEntry> list;
  std::string url = server_.Url("/loop");
  std::string mimeType;
  std::int64_t contentLength = 0;
  EXPECT_FALSE(HttpResolveChain(list, url, mimeType, contentLength));
  EXPECT_THAT(list, IsEmpty());
  EXPECT_EQ(server_.Requests().size(), 6u);
}

TEST_F(OperationsTest, ResolveChainEndingOnAnErrorStatusFailsButAppendsTheChain) {
  ServeChain(server_, 1, TScriptedAnswer::Page("HTTP/1.1 404 Not Found", "Content-Type: text/plain\r\n", ""));
  std::vector<TUrlChainEntry> list;
  std::string url = server_.Url("/0");
  std::string mimeType = "unset";
  std::int64_t contentLength = -7;
  EXPECT_FALSE(HttpResolveChain(list, url, mimeType, contentLength));
  EXPECT_EQ(mimeType, "unset");
  EXPECT_EQ(contentLength, -7);
  ASSERT_EQ(list.size(), 2u);
  for (const TUrlChainEntry& entry : list) {
    EXPECT_EQ(entry.Desc.FinalUrl, server_.Url("/1"));
    EXPECT_EQ(entry.Desc.MimeType, "unset");
  }
}

TEST_F(OperationsTest, ResolveChainFailingRequestAppendsNothing) {
  server_.Answer("/0", TScriptedAnswer::Redirect(301, RefusedUrl("/1")));
  std::vector<TUrlChainEntry> list;
  std::string url = server_.Url("/0");
  std::string mimeType;
  std::int64_t contentLength = 0;
  EXPECT_FALSE(HttpResolveChain(list, url, mimeType, contentLength));
  EXPECT_THAT(list, IsEmpty());
}

TEST_F(OperationsTest, ResolveFinalFollowsToTheEnd) {
  ServeChain(server_, 3, kFinalPage);
  std::string url = server_.Url("/0");
  std::string mimeType;
  std::int64_t contentLength = 0;
  EXPECT_TRUE(HttpResolveFinal(url, contentLength, mimeType));
  EXPECT_EQ(url, server_.Url("/3"));
  EXPECT_EQ(mimeType, "text/plain");
  EXPECT_EQ(contentLength, 42);
}

// Listens on 127.0.0.1:80, where a URL without a host or port would end, when this process may bind
// it (the isolated test namespace lets root do so). A connection waits in the backlog unaccepted.
class TDefaultPortTrap {
public:
  TDefaultPortTrap() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(80);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int yes = 1;
    ::setsockopt(socket_.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listening_ = ::bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                 ::listen(socket_.Get(), 8) == 0;
  }
  bool Listening() const { return listening_; }
  bool Reached() const {
    pollfd entry{socket_.Get(), POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0;
  }

private:
  platform::TUniqueFd socket_;
  bool listening_ = false;
};

class RedirectTargetTest : public OperationsTest {
protected:
  std::vector<std::string> LogLines() {
    const std::lock_guard<std::mutex> guard(logLock_);
    return logLines_;
  }
  void ExpectNothingLocalReached() {
    EXPECT_EQ(trap_.Connections(), 0);
    if (defaultPort_.Listening()) {
      EXPECT_FALSE(defaultPort_.Reached()) << "a request went to localhost:80";
    }
  }

  TLoopbackServer trap_;
  TDefaultPortTrap defaultPort_;

private:
  std::mutex logLock_;
  std::vector<std::string> logLines_;
  TScopedFetchLog log_{[this](std::string_view line) {
    const std::lock_guard<std::mutex> guard(logLock_);
    logLines_.emplace_back(line);
  }};
};

struct TRelativeCase {
  const char* name;
  const char* from;      // the path that redirects
  std::string location;  // "@" stands for the server's authority
  const char* reached;   // the path the walk ends on
};

void PrintTo(const TRelativeCase& c, std::ostream* out) { *out << c.name; }

class RelativeRedirectTest : public RedirectTargetTest, public ::testing::WithParamInterface<TRelativeCase> {
protected:
  std::string Location() const {
    std::string location = GetParam().location;
    if (const size_t at = location.find('@'); at != std::string::npos) location.replace(at, 1, server_.Authority());
    return location;
  }
};

TEST_P(RelativeRedirectTest, WalkReachesTheServerThatAnswered) {
  const TRelativeCase& c = GetParam();
  server_.Answer(c.from, TScriptedAnswer::Redirect(301, Location()));
  server_.Answer(c.reached, kFinalPage);
  std::string url = server_.Url(c.from);
  std::string mimeType;
  std::int64_t contentLength = 0;
  EXPECT_TRUE(HttpResolveFinal(url, contentLength, mimeType));
  EXPECT_EQ(url, server_.Url(c.reached));
  EXPECT_EQ(contentLength, 42);
  EXPECT_THAT(RequestLines(), ElementsAre("HEAD " + std::string(c.from) + " HTTP/1.1",
                                          "HEAD " + std::string(c.reached) + " HTTP/1.1"));
  ExpectNothingLocalReached();
  EXPECT_THAT(LogLines(), IsEmpty());
}

TEST_P(RelativeRedirectTest, GetLinesFollowsTheResolvedLocation) {
  const TRelativeCase& c = GetParam();
  server_.Answer(c.from, TScriptedAnswer::Redirect(302, Location()));
  server_.Answer(c.reached, TScriptedAnswer::Ok("reached"));
  std::vector<std::string> lines;
  EXPECT_TRUE(HttpGetLines(server_.Url(c.from), lines));
  EXPECT_THAT(lines, ElementsAre("reached"));
  ExpectNothingLocalReached();
}

TEST_P(RelativeRedirectTest, HeadOnceGivesTheResolvedLocation) {
  const TRelativeCase& c = GetParam();
  server_.Answer(c.from, TScriptedAnswer::Redirect(301, Location()));
  std::string mimeType;
  std::int64_t contentLength = 0;
  std::string urlToUse;
  HttpHeadOnce(server_.Url(c.from), mimeType, contentLength, urlToUse);
  EXPECT_EQ(urlToUse, server_.Url(c.reached));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RelativeRedirectTest,
    ::testing::Values(TRelativeCase{"absolutePath", "/0", "/site/x.html", "/site/x.html"},
                      TRelativeCase{"relativePath", "/dir/0", "x.html", "/dir/x.html"},
                      TRelativeCase{"query", "/dir/0", "?page=2", "/dir/0?page=2"},
                      TRelativeCase{"networkPath", "/0", "//@/other", "/other"},
                      TRelativeCase{"blanksAround", "/0", "  /site/y.html ", "/site/y.html"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RedirectTargetTest, ResolvedChainHoldsTheResolvedUrls) {
  server_.Answer("/0", TScriptedAnswer::Redirect(301, "/1"));
  server_.Answer("/1", TScriptedAnswer::Redirect(301, "2"));
  server_.Answer("/2", kFinalPage);
  std::vector<TUrlChainEntry> list;
  std::string url = server_.Url("/0");
  std::string mimeType;
  std::int64_t contentLength = 0;
  ASSERT_TRUE(HttpResolveChain(list, url, mimeType, contentLength));
  const std::string end = server_.Url("/2");
  EXPECT_THAT(list, ElementsAre(ChainEntry(server_.Url("/0"), end), ChainEntry(server_.Url("/1"), end),
                                ChainEntry(end, end)));
}

TEST_F(RedirectTargetTest, RelativeRedirectLoopStillEndsAfterSixRequests) {
  server_.Answer("/loop", TScriptedAnswer::Redirect(302, "/loop"));
  std::string url = server_.Url("/loop");
  std::string mimeType;
  std::int64_t contentLength = 0;
  EXPECT_FALSE(HttpResolveFinal(url, contentLength, mimeType));
  EXPECT_EQ(server_.Requests().size(), 6u);
}

struct TOffTheWebCase {
  const char* name;
  std::string location;  // "@" stands for the trap's port
};

void PrintTo(const TOffTheWebCase& c, std::ostream* out) { *out << c.name; }

class OffTheWebRedirectTest : public RedirectTargetTest, public ::testing::WithParamInterface<TOffTheWebCase> {
protected:
  OffTheWebRedirectTest() {
    std::string location = GetParam().location;
    if (const size_t at = location.find('@'); at != std::string::npos) {
      location.replace(at, 1, std::to_string(trap_.Port()));
    }
    location_ = location;
  }
  std::string ExpectedLogLine(std::string_view path) const {
    return "Redirection refusée de " + server_.Url(path) + " vers " + location_;
  }

  std::string location_;
};

TEST_P(OffTheWebRedirectTest, ResolveFinalFailsAndLogs) {
  server_.Answer("/0", TScriptedAnswer::Redirect(301, location_));
  std::string url = server_.Url("/0");
  std::string mimeType = "unset";
  std::int64_t contentLength = -7;
  EXPECT_FALSE(HttpResolveFinal(url, contentLength, mimeType));
  EXPECT_EQ(mimeType, "unset");
  EXPECT_EQ(contentLength, -7);
  EXPECT_EQ(server_.Requests().size(), 1u);
  ExpectNothingLocalReached();
  EXPECT_THAT(LogLines(), ElementsAre(ExpectedLogLine("/0")));
}

TEST_P(OffTheWebRedirectTest, ResolveChainFailsAndAppendsNothing) {
  server_.Answer("/0", TScriptedAnswer::Redirect(301, server_.Url("/1")));
  server_.Answer("/1", TScriptedAnswer::Redirect(302, location_));
  std::vector<TUrlChainEntry> list;
  std::string url = server_.Url("/0");
  std::string mimeType;
  std::int64_t contentLength = 0;
  EXPECT_FALSE(HttpResolveChain(list, url, mimeType, contentLength));
  EXPECT_THAT(list, IsEmpty());
  ExpectNothingLocalReached();
  EXPECT_THAT(LogLines(), ElementsAre(ExpectedLogLine("/1")));
}

TEST_P(OffTheWebRedirectTest, GetLinesFailsWithoutTheRedirectBody) {
  server_.Answer("/0", TScriptedAnswer::Page("HTTP/1.1 302 Found", "Location: " + location_ + "\r\n", "moved"));
  std::vector<std::string> lines{"left over"};
  EXPECT_FALSE(HttpGetLines(server_.Url("/0"), lines));
  EXPECT_THAT(lines, IsEmpty());
  ExpectNothingLocalReached();
  EXPECT_THAT(LogLines(), ElementsAre(ExpectedLogLine("/0")));
}

TEST_P(OffTheWebRedirectTest, HeadOnceSetsNothing) {
  server_.Answer("/0", TScriptedAnswer::Redirect(301, location_));
  std::string mimeType = "unset";
  std::int64_t contentLength = -7;
  std::string urlToUse = "unset";
  HttpHeadOnce(server_.Url("/0"), mimeType, contentLength, urlToUse);
  EXPECT_EQ(urlToUse, "unset");
  EXPECT_EQ(mimeType, "unset");
  EXPECT_THAT(LogLines(), ElementsAre(ExpectedLogLine("/0")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OffTheWebRedirectTest,
    ::testing::Values(TOffTheWebCase{"fileWithoutHost", "file:///etc/passwd"},
                      TOffTheWebCase{"fileOnLoopback", "file://127.0.0.1:@/etc/passwd"},
                      TOffTheWebCase{"ftp", "ftp://127.0.0.1:@/"},
                      TOffTheWebCase{"gopher", "gopher://127.0.0.1:@/"},
                      TOffTheWebCase{"httpWithoutHost", "http://:@/x"},
                      TOffTheWebCase{"httpsWithoutHost", "https:///x"},
                      TOffTheWebCase{"userButNoHost", "http://user@:@/x"},
                      TOffTheWebCase{"schemeWithoutSlashes", "http:x.html"},
                      TOffTheWebCase{"mailto", "mailto:someone@127.0.0.1"}),
    [](const auto& info) { return std::string(info.param.name); });

struct THeadOnceCase {
  const char* name;
  std::string answer;
  const char* mimeType;
  std::int64_t contentLength;
  bool urlIsAsked;   // the URL result is the asked URL
  const char* url;   // otherwise this
};

void PrintTo(const THeadOnceCase& c, std::ostream* out) { *out << c.name; }

class HeadOnceTest : public OperationsTest, public ::testing::WithParamInterface<THeadOnceCase> {};

TEST_P(HeadOnceTest, SetsWhatTheStatusAllows) {
  const THeadOnceCase& c = GetParam();
  server_.AnswerOthers(TScriptedAnswer::Raw(c.answer));
  std::string mimeType = "unset";
  std::int64_t contentLength = -7;
  std::string urlToUse = "unset";
  HttpHeadOnce(server_.Url("/asked"), mimeType, contentLength, urlToUse);
  EXPECT_EQ(mimeType, c.mimeType);
  EXPECT_EQ(contentLength, c.contentLength);
  EXPECT_EQ(urlToUse, c.urlIsAsked ? server_.Url("/asked") : c.url);
  EXPECT_THAT(RequestLines(), ElementsAre("HEAD /asked HTTP/1.1"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeadOnceTest,
    ::testing::Values(
        THeadOnceCase{"ok", "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: 9\r\n\r\n", "image/png", 9,
                      true, ""},
        THeadOnceCase{"noContent", "HTTP/1.1 204 No Content\r\n\r\n", "text/html", 0, true, ""},
        THeadOnceCase{"redirectFollowsNothing",
                      "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/x\r\nContent-Type: image/png\r\n\r\n",
                      "unset", -7, false, "http://127.0.0.1:1/x"},
        THeadOnceCase{"notModified", "HTTP/1.1 304 Not Modified\r\nLocation: http://127.0.0.1:1/x\r\n\r\n",
                      "unset", -7, false, "http://127.0.0.1:1/x"},
        THeadOnceCase{"errorSetsNothing", "HTTP/1.1 404 Not Found\r\nContent-Type: image/png\r\n\r\n", "unset", -7,
                      false, "unset"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OperationsTest, HeadOnceOnARefusedConnectionSetsNothing) {
  std::string mimeType = "unset";
  std::int64_t contentLength = -7;
  std::string urlToUse = "unset";
  HttpHeadOnce(RefusedUrl("/"), mimeType, contentLength, urlToUse);
  EXPECT_EQ(mimeType, "unset");
  EXPECT_EQ(contentLength, -7);
  EXPECT_EQ(urlToUse, "unset");
}

}  // namespace
}  // namespace varnelo::network
