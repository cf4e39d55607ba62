// The answer fields that the client takes from what a server sends.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>

#include "network/http_client.h"
#include "network_fixture.h"
#include "support/loopback_server.h"

namespace varnelo::network {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;
using test::TLoopbackServer;
using test::TScriptedAnswer;

// Sun, 06 Nov 1994 08:49:37 GMT.
constexpr std::time_t kNovember6 = 784111777;

struct TAnswerCase {
  const char* name;
  const char* method;
  std::string answer;  // every byte the server sends before it closes
  int resultCode;
  const char* resultString;
  const char* mimeType;
  std::int64_t contentLength;
  std::string document;
  const char* location = "";
};

void PrintTo(const TAnswerCase& c, std::ostream* out) { *out << c.name; }

class AnswerFieldsTest : public NetworkTest, public ::testing::WithParamInterface<TAnswerCase> {};

TEST_P(AnswerFieldsTest, ReadsTheAnswer) {
  const TAnswerCase& c = GetParam();
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Raw(c.answer));
  THttpClient client;
  ASSERT_TRUE(client.HttpMethod(c.method, server.Url("/")));
  EXPECT_EQ(client.ResultCode, c.resultCode);
  EXPECT_EQ(client.ResultString, c.resultString);
  EXPECT_EQ(client.MimeType, c.mimeType);
  EXPECT_EQ(client.ContentLength, c.contentLength);
  EXPECT_EQ(client.Document, c.document);
  EXPECT_EQ(client.Location, c.location);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnswerFieldsTest,
    ::testing::Values(
        TAnswerCase{"lengthAndType", "GET",
                    "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: 5\r\n\r\nhello",
                    200, "OK", "text/plain; charset=utf-8", 5, "hello"},
        TAnswerCase{"noContentTypeIsHtml", "GET", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi", 200, "OK",
                    "text/html", 2, "hi"},
        TAnswerCase{"headerNamesInAnyCase", "GET",
                    "HTTP/1.1 200 OK\r\ncontent-type: text/xml\r\ncontent-length: 3\r\n\r\nabcdef", 200, "OK",
                    "text/xml", 3, "abc"},
        TAnswerCase{"reasonWithBlanks", "GET", "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\ngone", 404,
                    "Not Found", "text/html", 4, "gone"},
        TAnswerCase{"statusLineInAnyCase", "GET", "http/1.1 201 Created\r\nContent-Length: 0\r\n\r\n", 201,
                    "Created", "text/html", 0, ""},
        TAnswerCase{"emptyLinesBeforeStatus", "GET", "\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx", 200,
                    "OK", "text/html", 1, "x"},
        TAnswerCase{"statusNotANumber", "GET", "HTTP/1.1 abc Odd\r\nContent-Length: 1\r\n\r\nx", 0, "Odd",
                    "text/html", 1, "x"},
        TAnswerCase{"noStatusLineStartsTheBody", "GET", "hello world\nsecond line", 0, "", "text/html", 0,
                    "hello world\r\nsecond line"},
        TAnswerCase{"headAnnouncingALength", "HEAD", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 200, "OK",
                    "text/html", 5, ""},
        TAnswerCase{"noContentWithALength", "GET", "HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\nhello", 204,
                    "No Content", "text/html", 5, ""},
        TAnswerCase{"notModifiedWithALength", "GET", "HTTP/1.1 304 Not Modified\r\nContent-Length: 5\r\n\r\nhello",
                    304, "Not Modified", "text/html", 5, ""},
        TAnswerCase{"lengthNotANumber", "GET", "HTTP/1.1 200 OK\r\nContent-Length: 12a\r\n\r\nuntil close", 200,
                    "OK", "text/html", -1, "until close"},
        TAnswerCase{"lengthTooLargeIsNotANumber", "GET",
                    "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nabc", 200, "OK", "text/html",
                    -1, "abc"},
        TAnswerCase{"zeroLengthReadsNothing", "GET", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nextra", 200, "OK",
                    "text/html", 0, ""},
        TAnswerCase{"negativeLengthReadsNothing", "GET", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nextra", 200,
                    "OK", "text/html", -5, ""},
        TAnswerCase{"bodyUntilClose", "GET", "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nall of it\r\n",
                    200, "OK", "text/plain", 0, "all of it\r\n"},
        TAnswerCase{"chunked", "GET",
                    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nA\r\n, chunked!\r\n0\r\n\r\n",
                    200, "OK", "text/html", 0, "hello, chunked!"},
        TAnswerCase{"chunkSizeUpToFirstBlank", "GET",
                    "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n3 ignored\r\nabc\r\n\r\n\r\n2\r\nde\r\n0\r\n",
                    200, "OK", "text/html", 0, "abcde"},
        TAnswerCase{"chunkSizeNotANumberEndsTheBody", "GET",
                    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\nzz\r\nmore\r\n", 200, "OK",
                    "text/html", 0, "abc"},
        TAnswerCase{"chunkedAfterLengthWins", "GET",
                    "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nwxyz\r\n0\r\n\r\n",
                    200, "OK", "text/html", 2, "wxyz"},
        TAnswerCase{"lengthAfterChunkedWins", "GET",
                    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\nabcdef", 200, "OK",
                    "text/html", 3, "abc"},
        TAnswerCase{"locationOnRedirectKept", "GET",
                    "HTTP/1.1 301 Moved Permanently\r\nLocation: http://other/b\r\nContent-Length: 0\r\n\r\n", 301,
                    "Moved Permanently", "text/html", 0, "", "http://other/b"},
        TAnswerCase{"locationOn200Ignored", "GET",
                    "HTTP/1.1 200 OK\r\nLocation: http://other/b\r\nContent-Length: 2\r\n\r\nok", 200, "OK",
                    "text/html", 2, "ok", ""},
        TAnswerCase{"locationOn400Ignored", "GET",
                    "HTTP/1.1 400 Bad Request\r\nLocation: http://other/b\r\nContent-Length: 0\r\n\r\n", 400,
                    "Bad Request", "text/html", 0, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetworkTest, HeadersHoldTheStatusLineTheHeaderLinesAndTheEmptyLine) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nX-One: 1\r\nContent-Length: 2\r\n\r\nok"));
  THttpClient client;
  client.Headers = {"X-Sent: yes"};
  ASSERT_TRUE(client.HttpMethod("GET", server.Url("/")));
  EXPECT_THAT(client.Headers, ElementsAre("HTTP/1.1 200 OK", "X-One: 1", "Content-Length: 2", ""));
}

TEST_F(NetworkTest, SetCookieGivesTheFirstPairTrimmed) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Raw(
      "HTTP/1.1 200 OK\r\nSet-Cookie:  session = abc ; Path=/; HttpOnly\r\nset-cookie: b=2\r\n"
      "Content-Length: 0\r\n\r\n"));
  THttpClient client;
  ASSERT_TRUE(client.HttpMethod("GET", server.Url("/")));
  EXPECT_THAT(client.Cookies, ElementsAre(Pair("session", "abc"), Pair("b", "2")));
}

TEST_F(NetworkTest, FieldsOfAFailedRequestShowNoAnswer) {
  THttpClient client;
  EXPECT_FALSE(client.HttpMethod("GET", RefusedUrl("/")));
  EXPECT_EQ(client.ResultCode, 500);
  EXPECT_EQ(client.MimeType, "text/html");
  EXPECT_TRUE(client.Document.empty());
}

class LastModifiedTest : public NetworkTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LastModifiedTest, ReadsEachDateForm) {
  TLoopbackServer server;
  server.AnswerOthers(
      TScriptedAnswer::Page("HTTP/1.1 200 OK", std::string("Last-Modified: ") + GetParam() + "\r\n", ""));
  THttpClient client;
  ASSERT_TRUE(client.HttpMethod("HEAD", server.Url("/")));
  EXPECT_EQ(client.LastModified, kNovember6);
}

INSTANTIATE_TEST_SUITE_P(Forms, LastModifiedTest,
                         ::testing::Values("Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                                           "Sun Nov  6 08:49:37 1994"));

TEST_F(NetworkTest, UnreadableLastModifiedLeavesZero) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Page("HTTP/1.1 200 OK", "Last-Modified: yesterday\r\n", ""));
  THttpClient client;
  ASSERT_TRUE(client.HttpMethod("HEAD", server.Url("/")));
  EXPECT_EQ(client.LastModified, 0);
}

}  // namespace
}  // namespace varnelo::network
