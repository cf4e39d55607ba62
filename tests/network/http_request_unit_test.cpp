#include <gtest/gtest.h>

#include "network/http_answer.h"
#include "network/http_request.h"
#include "network/url_parts.h"

namespace varnelo::network {
namespace {

THttpRequestFields Get(std::string_view url) {
  THttpRequestFields fields;
  fields.Method = "get";
  fields.Url = CutUrl(url);
  fields.UserAgent = "UA";
  return fields;
}

TEST(CutUrlTest, CutsEveryPart) {
  const TUrlParts parts = CutUrl("HTTPS://u:p:w@h.example:8443/a/b?x=1&y=2#frag");
  EXPECT_EQ(parts.Scheme, "https");
  EXPECT_EQ(parts.User, "u");
  EXPECT_EQ(parts.Password, "p:w");
  EXPECT_EQ(parts.Host, "h.example");
  EXPECT_EQ(parts.Port, "8443");
  EXPECT_EQ(parts.Path, "/a/b");
  EXPECT_EQ(parts.Query, "x=1&y=2");
}

TEST(CutUrlTest, Defaults) {
  EXPECT_EQ(CutUrl("h").Scheme, "http");
  EXPECT_EQ(CutUrl("h").Port, "80");
  EXPECT_EQ(CutUrl("h").Path, "/");
  EXPECT_EQ(CutUrl("https://h").Port, "443");
  EXPECT_EQ(CutUrl("ftp://h").Port, "21");
  EXPECT_EQ(CutUrl("http:///x").Host, "localhost");
  EXPECT_EQ(CutUrl("http://h:/x").Port, "80");
}

TEST(CutUrlTest, QueryRightAfterHostIsNotPartOfTheHost) {
  const TUrlParts parts = CutUrl("http://h?q=a@b");
  EXPECT_EQ(parts.Host, "h");
  EXPECT_EQ(parts.User, "");
  EXPECT_EQ(parts.Path, "/");
  EXPECT_EQ(parts.Query, "q=a@b");
}

TEST(CutUrlTest, AtSignAfterThePathIsNotAUser) {
  const TUrlParts parts = CutUrl("http://h/mail@x");
  EXPECT_EQ(parts.Host, "h");
  EXPECT_EQ(parts.User, "");
  EXPECT_EQ(parts.Path, "/mail@x");
}

TEST(CutUrlTest, Ipv6Literal) {
  const TUrlParts parts = CutUrl("http://[::1]:8080/p");
  EXPECT_EQ(parts.Host, "::1");
  EXPECT_EQ(parts.Port, "8080");
  EXPECT_EQ(HostForUrl(parts.Host), "[::1]");
  EXPECT_EQ(CutUrl("http://[fe80::2]/").Port, "80");
}

TEST(BuildRequestTest, PlainGetIsFiveLines) {
  EXPECT_EQ(BuildRequest(Get("http://h/a?b=1")),
            "GET /a?b=1 HTTP/1.1\r\nHost: h\r\nUser-Agent: UA\r\nReferer: http://www.varnelo.invalid/\r\n\r\n");
}

TEST(BuildRequestTest, ThroughProxyUsesAbsoluteFormWithPortAndProxyAuthorization) {
  THttpRequestFields fields = Get("http://h/a?b=1");
  fields.ProxyHost = "p";
  fields.ProxyUser = "pu";
  fields.ProxyPass = "pp";
  const auto lines = BuildRequestLines(fields);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "GET http://h:80/a?b=1 HTTP/1.1");
  EXPECT_EQ(lines[1], "Host: h");
  EXPECT_EQ(lines[2], "Proxy-Authorization: Basic " + EncodeBase64("pu:pp"));
}

TEST(BuildRequestTest, HttpsThroughProxyKeepsOriginFormAndNoProxyAuthorization) {
  THttpRequestFields fields = Get("https://h/a");
  fields.ProxyHost = "p";
  fields.ProxyUser = "pu";
  const auto lines = BuildRequestLines(fields);
  EXPECT_EQ(lines[0], "GET /a HTTP/1.1");
  EXPECT_EQ(lines[1], "Host: h:443");
  EXPECT_EQ(lines[2], "User-Agent: UA");
}

TEST(BuildRequestTest, UserPasswordAndPort) {
  const auto lines = BuildRequestLines(Get("http://us:pw@h:8080/"));
  EXPECT_EQ(lines[1], "Host: h:8080");
  EXPECT_EQ(lines[2], "Authorization: Basic dXM6cHc=");
}

TEST(BuildRequestTest, OptionalLinesInWireOrder) {
  THttpRequestFields fields = Get("http://[::1]:81/*");
  fields.KeepAlive = false;
  fields.Accept = "text/*";
  fields.IfModifiedSince = "Tue, 08 Dec 2026 14:05:09 GMT";
  fields.Protocol = "1.0";
  fields.Method = "HEAD";
  fields.ExtraHeaders = {"X-A: 1"};
  EXPECT_EQ(BuildRequestLines(fields),
            (std::vector<std::string>{"HEAD * HTTP/1.0", "Host: [::1]:81", "Connection: close", "Accept: text/*",
                                      "If-Modified-Since: Tue, 08 Dec 2026 14:05:09 GMT", "User-Agent: UA",
                                      "Referer: http://www.varnelo.invalid/", "X-A: 1", ""}));
}

TEST(BuildRequestTest, BodyIsAnnouncedAfterTheOtherHeaderLinesAndFollowsTheEmptyLine) {
  THttpRequestFields fields = Get("http://h/s");
  fields.Method = "post";
  fields.ExtraHeaders = {"Content-type: application/x-www-form-urlencoded"};
  fields.Body = std::string("q=a%20b&x=\0\xff", 13);
  EXPECT_EQ(BuildRequest(fields), "POST /s HTTP/1.1\r\nHost: h\r\nUser-Agent: UA\r\nReferer: http://www.varnelo.invalid/\r\n"
                                  "Content-type: application/x-www-form-urlencoded\r\nContent-Length: 13\r\n\r\n" +
                                      fields.Body);
}

TEST(BuildRequestTest, ConnectRequest) {
  EXPECT_EQ(BuildConnectRequest("h", "443", "", ""), "CONNECT h:443 HTTP/1.1\r\nHost: h:443\r\n\r\n");
  EXPECT_EQ(BuildConnectRequest("::1", "8443", "u", "p"),
            "CONNECT [::1]:8443 HTTP/1.1\r\nHost: [::1]:8443\r\nProxy-Authorization: Basic dTpw\r\n\r\n");
}

TEST(Base64Test, Padding) {
  EXPECT_EQ(EncodeBase64(""), "");
  EXPECT_EQ(EncodeBase64("f"), "Zg==");
  EXPECT_EQ(EncodeBase64("fo"), "Zm8=");
  EXPECT_EQ(EncodeBase64("foo"), "Zm9v");
  EXPECT_EQ(EncodeBase64("foob"), "Zm9vYg==");
  EXPECT_EQ(EncodeBase64("\xff\xfe"), "//4=");
}

TEST(AnswerTest, StatusLine) {
  auto status = ParseStatusLine("http/1.0 404 Not Found here");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->ResultCode, 404);
  EXPECT_EQ(status->ResultString, "Not Found here");
  status = ParseStatusLine("HTTP/1.1 abc x");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->ResultCode, 0);
  status = ParseStatusLine("HTTP/1.1 200");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->ResultCode, 200);
  EXPECT_EQ(status->ResultString, "");
  EXPECT_FALSE(ParseStatusLine("<html>"));
}

TEST(AnswerTest, HeaderTestsAndValues) {
  EXPECT_TRUE(HeaderIs("content-LENGTH: 5", "CONTENT-LENGTH:"));
  EXPECT_FALSE(HeaderIs("X-Content-Length: 5", "CONTENT-LENGTH:"));
  EXPECT_EQ(HeaderValue("Content-Type:  text/html; charset=utf-8 "), "text/html; charset=utf-8");
  EXPECT_EQ(HeaderValue("Content-Type:text/plain"), "text/plain");
}

TEST(AnswerTest, ContentLength) {
  EXPECT_EQ(ParseContentLength("12"), 12);
  EXPECT_EQ(ParseContentLength(" -3 "), -3);
  EXPECT_FALSE(ParseContentLength("12abc"));
  EXPECT_FALSE(ParseContentLength(""));
  EXPECT_FALSE(ParseContentLength("99999999999999999999999"));
}

TEST(AnswerTest, ChunkSizeNeverOverflows) {
  EXPECT_EQ(ParseChunkSize("1a"), 26u);
  EXPECT_EQ(ParseChunkSize("1A;ext=1"), 26u);
  EXPECT_EQ(ParseChunkSize("10 junk"), 16u);
  EXPECT_EQ(ParseChunkSize("0"), 0u);
  EXPECT_FALSE(ParseChunkSize("xyz"));
  EXPECT_FALSE(ParseChunkSize(""));
  EXPECT_FALSE(ParseChunkSize("8000000000000000"));  // 2^63
  EXPECT_FALSE(ParseChunkSize("ffffffffffffffffffffffff"));
  EXPECT_EQ(ParseChunkSize("0000000000000000000001"), 1u);
}

TEST(AnswerTest, SetCookie) {
  EXPECT_EQ(ParseSetCookie(" a = 1 ; Path=/"), std::make_pair(std::string("a"), std::string("1")));
  EXPECT_EQ(ParseSetCookie("flag; Secure"), std::make_pair(std::string("flag"), std::string()));
  EXPECT_FALSE(ParseSetCookie("=x"));
}


}  // namespace
}  // namespace varnelo::network
