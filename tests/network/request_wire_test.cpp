// The request bytes as a server receives them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "network/http_client.h"
#include "network_fixture.h"
#include "support/loopback_server.h"

namespace varnelo::network {
namespace {

using ::testing::ElementsAre;
using test::TLoopbackServer;
using test::TScriptedAnswer;

constexpr const char* kUserAgentLine = "User-Agent: Mozilla/4.0 (compatible; Varnelo)";
constexpr const char* kRefererLine = "Referer: http://www.varnelo.invalid/";

class RequestWireTest : public NetworkTest {
protected:
  RequestWireTest() { server_.AnswerOthers(TScriptedAnswer::Ok("done")); }

  // The lines of the one request that `client` sent to the server.
  std::vector<std::string> SentLines(THttpClient& client, std::string_view method, const std::string& url) {
    EXPECT_TRUE(client.HttpMethod(method, url));
    const auto requests = server_.Requests();
    if (requests.size() != 1) {
      ADD_FAILURE() << requests.size() << " requests received";
      return {};
    }
    return requests[0].Lines();
  }

  TLoopbackServer server_;
};

TEST_F(RequestWireTest, PlainGetIsFiveLines) {
  THttpClient client;
  ASSERT_TRUE(client.HttpMethod("GET", server_.Url("/a?b=1")));
  const auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].head, "GET /a?b=1 HTTP/1.1\r\n"
                              "Host: " + server_.Authority() + "\r\n" +
                              kUserAgentLine + "\r\n" + kRefererLine + "\r\n"
                              "\r\n");
  EXPECT_EQ(client.Document, "done");
}

TEST_F(RequestWireTest, MethodIsWrittenInCapitalsAndPathDefaultsToSlash) {
  THttpClient client;
  EXPECT_THAT(SentLines(client, "head", "http://" + server_.Authority()),
              ElementsAre("HEAD / HTTP/1.1", "Host: " + server_.Authority(), kUserAgentLine, kRefererLine, ""));
}

TEST_F(RequestWireTest, UserAndPasswordGiveAuthorizationAndTheHostKeepsItsPort) {
  THttpClient client;
  EXPECT_THAT(SentLines(client, "GET", "http://user:pass@" + server_.Authority() + "/x"),
              ElementsAre("GET /x HTTP/1.1", "Host: " + server_.Authority(), "Authorization: Basic dXNlcjpwYXNz",
                          kUserAgentLine, kRefererLine, ""));
}

TEST_F(RequestWireTest, UserWithoutPasswordStillAuthorizes) {
  THttpClient client;
  EXPECT_THAT(SentLines(client, "GET", "http://a@" + server_.Authority() + "/"),
              ElementsAre("GET / HTTP/1.1", "Host: " + server_.Authority(), "Authorization: Basic YTo=",
                          kUserAgentLine, kRefererLine, ""));
}

TEST_F(RequestWireTest, OptionalLinesStandInReverseOrderOfInsertion) {
  THttpClient client;
  client.Accept = "text/plain";
  client.IfModifiedSince = "Sun, 06 Nov 1994 08:49:37 GMT";
  client.KeepAlive = false;
  client.UserAgent = "Agent/2";
  client.Protocol = "1.0";
  client.Headers = {"X-Extra: 1"};
  EXPECT_THAT(SentLines(client, "GET", "http://user:pass@" + server_.Authority() + "/p"),
              ElementsAre("GET /p HTTP/1.0", "Host: " + server_.Authority(), "Authorization: Basic dXNlcjpwYXNz",
                          "Connection: close", "Accept: text/plain",
                          "If-Modified-Since: Sun, 06 Nov 1994 08:49:37 GMT", "User-Agent: Agent/2", kRefererLine,
                          "X-Extra: 1", ""));
}

TEST_F(RequestWireTest, FragmentNeverGoesOnTheWire) {
  THttpClient client;
  EXPECT_THAT(SentLines(client, "GET", server_.Url("/a?q=1#part")),
              ElementsAre("GET /a?q=1 HTTP/1.1", "Host: " + server_.Authority(), kUserAgentLine, kRefererLine, ""));
}

TEST_F(RequestWireTest, IPv6LiteralHostIsBracketed) {
  TLoopbackServer server({.address = "::1"});
  server.AnswerOthers(TScriptedAnswer::Ok("six"));
  THttpClient client;
  ASSERT_TRUE(client.HttpMethod("GET", server.Url("/v6")));
  EXPECT_EQ(client.Document, "six");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("Host"), "[::1]:" + std::to_string(server.Port()));
}

TEST_F(RequestWireTest, LocalhostNameReachesTheLoopbackServer) {
  THttpClient client;
  const std::string authority = "localhost:" + std::to_string(server_.Port());
  EXPECT_THAT(SentLines(client, "GET", "http://" + authority + "/"),
              ElementsAre("GET / HTTP/1.1", "Host: " + authority, kUserAgentLine, kRefererLine, ""));
}

}  // namespace
}  // namespace varnelo::network
