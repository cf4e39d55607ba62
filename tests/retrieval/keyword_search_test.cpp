#include "retrieval/keyword_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parsing/html_parser.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

using TRows = std::vector<std::pair<std::string, std::string>>;

class KeywordSearchTest : public ::testing::Test {
protected:
  THitRow Recorder() {
    return [this](const std::string& url, const std::string& line) { rows.emplace_back(url, line); };
  }
  std::filesystem::path ResultFile() const { return dir.Path() / "result.html"; }
  TResultFileFor FileFor() const {
    return [this] { return ResultFile(); };
  }

  test::TTempDir dir;
  TRows rows;
};

TEST_F(KeywordSearchTest, MarksOnlyTheFirstHitOfEachTextNodeAndNumbersThemInDocumentOrder) {
  parsing::THTMLParser parser;
  parser.Parse("<p>see FOO BAR and foo bar</p><div>no match</div><p>a foo barn\r\nhere</p>");
  ASSERT_TRUE(KeywordSearch(parser.Root(), "Foo Bar", "http://h/p.html", FileFor(), Recorder()));

  const TRows expectedRows = {{"http://h/p.html", "see FOO BAR and foo bar"},
                              {"http://h/p.html", "a foo barnhere"}};
  EXPECT_EQ(rows, expectedRows);
  EXPECT_EQ(test::ReadFile(ResultFile()),
            "<p>see <b><a name=\"found1\">FOO BAR</A></b> and foo bar</p><div>no match</div>"
            "<p>a <b><a name=\"found2\">foo bar</A></b>n\r\nhere</p>\r\n");
}

TEST_F(KeywordSearchTest, WritesNoResultFileWithoutAHit) {
  const std::vector<std::string> phrases = {"absent", ""};
  for (const std::string& phrase : phrases) {
    parsing::THTMLParser parser;
    parser.Parse("<p>some text</p>");
    EXPECT_TRUE(KeywordSearch(parser.Root(), phrase, "http://h/", FileFor(), Recorder())) << phrase;
    EXPECT_TRUE(rows.empty()) << phrase;
    EXPECT_FALSE(std::filesystem::exists(ResultFile())) << phrase;
  }
}

TEST_F(KeywordSearchTest, OnlyAsciiLettersAreFoldedAndAttributesAreNotSearched) {
  parsing::THTMLParser parser;
  parser.Parse("<a title=\"\xC3\xA9t\xC3\xA9\">\xC3\x89T\xC3\x89</a><p>\xC3\xA9t\xC3\xA9 x</p>");
  ASSERT_TRUE(KeywordSearch(parser.Root(), "\xC3\xA9t\xC3\xA9", "u", FileFor(), Recorder()));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].second, "\xC3\xA9t\xC3\xA9 x");
}

TEST_F(KeywordSearchTest, TextPageIsWrappedAndItsHitsUseTheCapitalAnchor) {
  std::vector<std::string> lines = {"one", "Two <hits> here", "three", "four", "two again two", "six"};
  ASSERT_TRUE(KeywordSearch(lines, "two", "http://h/t.txt", FileFor(), Recorder()));

  const TRows expectedRows = {{"http://h/t.txt", "<b><A name=\"found1\">Two</A></b> <hits> here"},
                              {"http://h/t.txt", "<b><A name=\"found2\">two</A></b> again two"}};
  EXPECT_EQ(rows, expectedRows);
  EXPECT_EQ(test::ReadFile(ResultFile()),
            "<html><head></head><body><code>\r\none\r\n<b><A name=\"found1\">Two</A></b> <hits> here\r\nthree\r\n"
            "four\r\n<b><A name=\"found2\">two</A></b> again two\r\nsix\r\n</code></body>\r\n");
}

TEST_F(KeywordSearchTest, UnwritableResultFileIsReportedAfterTheRowsWereAdded) {
  parsing::THTMLParser parser;
  parser.Parse("<p>needle</p>");
  const auto missingFolder = [this] { return dir.Path() / "missing" / "r.html"; };
  EXPECT_FALSE(KeywordSearch(parser.Root(), "needle", "u", missingFolder, Recorder()));
  EXPECT_EQ(rows.size(), 1u);
}

TEST(ResultFilePathTest, IsNamedByTheUnsignedHashOfTheUrl) {
  EXPECT_EQ(ResultFilePath("/home/x", "a"), std::filesystem::path("/home/x/result/591751009.html"));
}

TEST(ResultFilesTest, UrlsThatShareAHashGetPagesOfTheirOwn) {
  // The hash keeps little more than the last eight characters, so these two share it.
  const std::string first = "http://example.com/a/very/long/path/page1.html";
  const std::string second = "http://example.com/a/very/long/path/page2.html";
  ASSERT_EQ(ResultFilePath("/h", first), ResultFilePath("/h", second));
  const std::string hash = ResultFilePath("/h", first).stem().string();

  TResultFiles files("/h");
  EXPECT_EQ(files.For(first), ResultFilePath("/h", first));
  EXPECT_EQ(files.For(second), std::filesystem::path("/h/result/" + hash + "-2.html"));
  EXPECT_EQ(files.For(first), ResultFilePath("/h", first));
  EXPECT_EQ(files.For("a"), ResultFilePath("/h", "a"));
}

}  // namespace
}  // namespace varnelo::retrieval
