#include "retrieval/fetch_page.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "network/http_date.h"
#include "network/network_fixture.h"
#include "retrieval/store_paths.h"
#include "support/loopback_server.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

using test::TScriptedAnswer;

class FetchPageTest : public network::NetworkTest {
protected:
  // Puts a stored copy of `path` on the server into the page store of site "S", dated `instant`.
  std::filesystem::path StoreCopy(const std::string& dir, const std::string& file, std::string_view bytes,
                                  std::time_t instant) {
    const std::filesystem::path stored = StorePath(home.Path(), "S", "127.0.0.1", dir, file);
    std::filesystem::create_directories(stored.parent_path());
    test::WriteFile(stored, bytes);
    std::filesystem::last_write_time(
        stored, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(instant)));
    return stored;
  }

  test::TTempHome home;
  test::TLoopbackServer server;
};

TEST_F(FetchPageTest, WithoutAStoredCopyAsksUnconditionallyAndGivesTheBodyAndItsTime) {
  server.Answer("/d/p.html", TScriptedAnswer::Page("HTTP/1.1 200 OK",
                                                   "Content-Type: text/html\r\n"
                                                   "Last-Modified: Tue, 08 Dec 2026 14:05:09 GMT\r\n",
                                                   "<p>x</p>"));
  const TFetchedPage page = FetchPage(home.Path(), server.Url("/d/p.html"), "S");
  ASSERT_TRUE(page.Success);
  EXPECT_EQ(page.ResultCode, 200);
  EXPECT_EQ(page.Body, "<p>x</p>");
  EXPECT_EQ(page.MimeType, "text/html");
  EXPECT_EQ(network::FormatHttpDate(page.LastModified), "Tue, 08 Dec 2026 14:05:09 GMT");
  EXPECT_EQ(page.StorePath, (home.Path() / "website/S/127.0.0.1/d/p.html").string());
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_FALSE(server.Requests()[0].Header("If-Modified-Since"));
  EXPECT_EQ(server.Requests()[0].Method(), "GET");
}

TEST_F(FetchPageTest, AStoredCopyIsOfferedByItsTimeAndA304GivesItsBytes) {
  const std::time_t instant = 1796738709;  // Tue, 08 Dec 2026 14:05:09 GMT
  StoreCopy("", "index.html", "stored copy", instant);
  server.Answer("/", TScriptedAnswer::Page("HTTP/1.1 304 Not Modified", "Content-Type: text/html\r\n", ""));

  const TFetchedPage page = FetchPage(home.Path(), server.Url("/"), "S");
  ASSERT_TRUE(page.Success);
  EXPECT_EQ(page.ResultCode, 304);
  EXPECT_EQ(page.Body, "stored copy");
  EXPECT_EQ(page.LastModified, 0);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].Header("If-Modified-Since"), network::FormatHttpDate(instant));
}

// A 304 without Content-Type is the stored copy, whose type the first fetch knew.
TEST_F(FetchPageTest, A304WithoutTypeKeepsTheTypeOfTheCopy) {
  struct TCase {
    std::string file;
    std::string knownType;
    std::string headers;
    std::string mimeType;
  };
  const TCase cases[] = {
      {"logo.png", "image/png", "", "image/png"},
      {"logo.png", "", "", "image/png"},
      {"STYLE.CSS", "", "", "text/css"},
      {"data.unknownext", "", "", "text/html"},
      {"page.css", "text/plain", "", "text/plain"},
      {"logo.png", "image/png", "content-type: image/gif\r\n", "image/gif"},
  };
  const std::time_t instant = 1796738709;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.file + " " + c.knownType + " " + c.headers);
    StoreCopy("d", c.file, "stored", instant);
    server.Answer("/d/" + c.file, TScriptedAnswer::Page("HTTP/1.1 304 Not Modified", c.headers, ""));
    const TFetchedPage page = FetchPage(home.Path(), server.Url("/d/" + c.file), "S", c.knownType);
    ASSERT_TRUE(page.Success);
    EXPECT_EQ(page.ResultCode, 304);
    EXPECT_EQ(page.Body, "stored");
    EXPECT_EQ(page.MimeType, c.mimeType);
  }
}

TEST_F(FetchPageTest, StatusDecidesWhatTheFetchGives) {
  struct TCase {
    std::string statusLine;
    bool success;
    std::string body;
    std::string mimeType;
  };
  const TCase cases[] = {
      {"HTTP/1.1 301 Moved Permanently", true, "", "text/plain"},
      {"HTTP/1.1 404 Not Found", false, "", ""},
      {"HTTP/1.1 500 Internal Server Error", false, "", ""},
      {"HTTP/1.1 203 Non-Authoritative Information", true, "body", "text/plain"},
  };
  for (const TCase& c : cases) {
    server.Answer("/x", TScriptedAnswer::Page(c.statusLine, "Content-Type: text/plain\r\nLocation: /y\r\n", "body"));
    const TFetchedPage page = FetchPage(home.Path(), server.Url("/x"), "S");
    EXPECT_EQ(page.Success, c.success) << c.statusLine;
    EXPECT_EQ(page.Body, c.body) << c.statusLine;
    EXPECT_EQ(page.MimeType, c.mimeType) << c.statusLine;
  }
}

TEST_F(FetchPageTest, UnparsableUrlOrNoAnswerIsAFailure) {
  EXPECT_FALSE(FetchPage(home.Path(), "gopher://h/", "S").Success);
  std::string refusedUrl;
  {
    const test::TLoopbackServer gone;
    refusedUrl = gone.Url("/");
  }
  EXPECT_FALSE(FetchPage(home.Path(), refusedUrl, "S").Success);
}

}  // namespace
}  // namespace varnelo::retrieval

namespace varnelo::retrieval {
namespace {

TEST_F(FetchPageTest, OtherDocumentsStreamToTheStoreWhilePagesAreHeld) {
  const std::string block(64 * 1024, 'z');
  constexpr std::uint64_t kBlocks = 1024;  // 64 MiB, no length
  server.Answer("/d/big.bin", TScriptedAnswer::Raw("HTTP/1.0 200 OK\r\nContent-Type: application/x-bin\r\n"
                                                   "Last-Modified: Tue, 08 Dec 2026 14:05:09 GMT\r\n\r\n")
                                  .SendRepeated(block, kBlocks));
  server.Answer("/d/p.html", TScriptedAnswer::Ok("<p>held</p>"));

  const TFetchedPage file = FetchPage(home.Path(), server.Url("/d/big.bin"), "S", {}, 10'000'000'000, true);
  ASSERT_TRUE(file.Success);
  EXPECT_TRUE(file.Stored);
  EXPECT_TRUE(file.Body.empty());
  EXPECT_EQ(std::filesystem::file_size(file.StorePath), kBlocks * block.size());
  const auto stamp = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(file.StorePath));
  EXPECT_EQ(network::FormatHttpDate(std::chrono::system_clock::to_time_t(stamp)), "Tue, 08 Dec 2026 14:05:09 GMT");

  const TFetchedPage page = FetchPage(home.Path(), server.Url("/d/p.html"), "S", {}, 10'000'000'000, true);
  ASSERT_TRUE(page.Success);
  EXPECT_FALSE(page.Stored);
  EXPECT_EQ(page.Body, "<p>held</p>");
  EXPECT_FALSE(std::filesystem::exists(page.StorePath));
}

TEST_F(FetchPageTest, BodyPastTheLimitOrShortOfItsLengthIsAFailureWithItsLogLine) {
  server.Answer("/big", TScriptedAnswer::Ok(std::string(11, 'b')));
  server.Answer("/cut", TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"));

  TFetchedPage page = FetchPage(home.Path(), server.Url("/big"), "S", {}, 10);
  EXPECT_FALSE(page.Success);
  EXPECT_TRUE(page.Body.empty());
  EXPECT_EQ(page.FaultLine, "Document larger than 10 bytes, not kept: " + server.Url("/big"));

  page = FetchPage(home.Path(), server.Url("/cut"), "S");
  EXPECT_FALSE(page.Success);
  EXPECT_EQ(page.FaultLine, "Document shorter than its Content-Length, not kept: " + server.Url("/cut"));
}

}  // namespace
}  // namespace varnelo::retrieval
