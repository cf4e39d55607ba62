// The operations built on the client: documents, lines, redirect chains, single HEAD requests.

#include "network/http_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "network_fixture.h"
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
  EXPECT_TRUE(HttpGetLines(server_.Url("/first"), lines));
  EXPECT_THAT(lines, ElementsAre("second", "body"));
  EXPECT_THAT(RequestLines(), ElementsAre("GET /first HTTP/1.1", "GET /second HTTP/1.1"));
  EXPECT_EQ(server_.Connections(), 2);
}

INSTANTIATE_TEST_SUITE_P(Statuses, GetLinesRedirectTest, ::testing::Values(302, 303));

TEST_F(OperationsTest, GetLinesOnAPermanentRedirectGivesItsOwnBody) {
  server_.Answer("/first", TScriptedAnswer::Page("HTTP/1.1 301 Moved Permanently",
                                                 "Location: " + server_.Url("/second") + "\r\n", "moved\nhere"));
  server_.Answer("/second", TScriptedAnswer::Ok("second"));
  std::vector<std::string> lines;
  EXPECT_TRUE(HttpGetLines(server_.Url("/first"), lines));
  EXPECT_THAT(lines, ElementsAre("moved", "here"));
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
  server_.Answer("/first", TScriptedAnswer::Redirect(302, RefusedUrl("/gone")));
  std::vector<std::string> lines;
  EXPECT_FALSE(HttpGetLines(server_.Url("/first"), lines));
  EXPECT_THAT(lines, IsEmpty());
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

TEST_F(OperationsTest, ResolveFinalTakesLocationUnresolved) {
  // "/elsewhere" is not resolved against the first URL: the next request goes to localhost:80, where
  // nothing of this test listens.
  server_.Answer("/0", TScriptedAnswer::Redirect(301, "/elsewhere"));
  std::string url = server_.Url("/0");
  std::string mimeType = "unset";
  std::int64_t contentLength = -7;
  HttpResolveFinal(url, contentLength, mimeType);
  EXPECT_EQ(url, "/elsewhere");
  EXPECT_EQ(server_.Requests().size(), 1u);
}

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
