#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "base/text.h"
#include "search/rss_feed.h"
#include "support/loopback_server.h"

namespace varnelo::search {
namespace {

std::vector<std::string> Lines(std::string_view text) { return base::SplitLines(text); }

std::optional<std::vector<TFeedItem>> ItemsOf(std::string_view text) {
  const TFeedDocumentPtr feed = ParseFeed(Lines(text));
  if (!feed) return std::nullopt;
  return FeedItems(*feed);
}

struct TFeedCase {
  const char* name;
  std::string text;
  std::vector<TFeedItem> items;
};
void PrintTo(const TFeedCase& c, std::ostream* os) { *os << c.name; }

class FeedItemsTest : public ::testing::TestWithParam<TFeedCase> {};

TEST_P(FeedItemsTest, GivesOneRowPerItem) {
  const auto items = ItemsOf(GetParam().text);
  ASSERT_TRUE(items.has_value());
  EXPECT_EQ(*items, GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FeedItemsTest,
    ::testing::Values(
        TFeedCase{"Rss091",
                  "<?xml version=\"1.0\"?>\r\n<!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS 0.91//EN\"\r\n"
                  " \"http://my.netscape.com/publish/formats/rss-0.91.dtd\">\r\n<rss version=\"0.91\">\r\n"
                  "  <channel>\r\n    <title>News</title>\r\n    <link>http://a/</link>\r\n"
                  "    <item>\r\n      <title>One</title>\r\n      <link>http://a/1</link>\r\n"
                  "      <description>First</description>\r\n    </item>\r\n"
                  "    <item><title>Two</title><link>http://a/2</link><description>Second</description></item>\r\n"
                  "  </channel>\r\n</rss>\r\n",
                  {{"One", "http://a/1", "First"}, {"Two", "http://a/2", "Second"}}},
        // Whitespace and a comment before the channel, and comments between items, are no nodes of the feed.
        TFeedCase{"Rss20",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n  <!-- made by hand -->\n"
                  "  <channel>\n    <title>T</title>\n    <item><title>A &amp; B</title><link>http://b/1</link>"
                  "<description><![CDATA[<b>bold</b>]]></description><guid>g1</guid></item>\n"
                  "    <!-- between -->\n    <item><description>no title</description></item>\n"
                  "  </channel>\n</rss>\n",
                  {{"A & B", "http://b/1", "<b>bold</b>"}, {"", "", "no title"}}},
        // Items without a description show an empty third column.
        TFeedCase{"ItemWithoutDescription",
                  "<rss><channel><item><title>t</title><link>l</link></item></channel></rss>", {{"t", "l", ""}}},
        // Every element after the first item counts as an item, whatever its name.
        TFeedCase{"ElementsAfterTheFirstItem",
                  "<rss><channel><title>c</title><item><title>1</title></item><textInput><title>search</title>"
                  "<link>s</link></textInput></channel></rss>",
                  {{"1", "", ""}, {"search", "s", ""}}},
        // An element holding more than a simple text gives all the text inside it.
        TFeedCase{"MarkupInsideAnElement",
                  "<rss><channel><item><title>a <b>bold</b> word</title><description>x<br/>y</description></item>"
                  "</channel></rss>",
                  {{"a bold word", "", "xy"}}},
        // A prefixed element is not the plain one.
        TFeedCase{"PrefixedTitleIsNotATitle",
                  "<rss xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><channel><item><dc:title>d</dc:title>"
                  "<title>plain</title></item></channel></rss>",
                  {{"plain", "", ""}}},
        // RSS 1.0 keeps its items beside the channel: nothing to show.
        TFeedCase{"Rss10",
                  "<?xml version=\"1.0\"?>\n<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                  "xmlns=\"http://purl.org/rss/1.0/\">\n  <channel rdf:about=\"http://c/\"><title>C</title>"
                  "<items><rdf:Seq><rdf:li resource=\"http://c/1\"/></rdf:Seq></items></channel>\n"
                  "  <item rdf:about=\"http://c/1\"><title>One</title><link>http://c/1</link></item>\n</rdf:RDF>\n",
                  {}},
        TFeedCase{"ChannelWithoutItems", "<rss><channel><title>empty</title></channel></rss>", {}},
        // Character references and the document's own small entities, nested ones and those holding
        // markup included, give their text.
        TFeedCase{"EntitiesOfTheDocument",
                  "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY brand \"Varnelo\"><!ENTITY both \"&brand; &amp; "
                  "co\"><!ENTITY bold \"<b>b</b>\">]><rss><channel><item><title>&brand; &lt;&#233;&gt;</title>"
                  "<link>http://a/?x=1&amp;y=2</link><description>&both; &bold;</description></item>"
                  "</channel></rss>",
                  {{"Varnelo <\xc3\xa9>", "http://a/?x=1&y=2", "Varnelo & co b"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RssFeedTest, DeclaredEncodingIsHonouredAndRowsAreUtf8) {
  const auto items = ItemsOf(
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<rss version=\"2.0\"><channel><item>"
      "<title>Caf\xe9 cr\xe8me</title><link>http://a/\xe9</link><description>\xa0\xbd</description></item>"
      "</channel></rss>");
  ASSERT_TRUE(items.has_value());
  EXPECT_EQ(*items, (std::vector<TFeedItem>{{"Caf\xc3\xa9 cr\xc3\xa8me", "http://a/\xc3\xa9", "\xc2\xa0\xc2\xbd"}}));
}

TEST(RssFeedTest, TextThatIsNotAFeedCannotBeShown) {
  EXPECT_EQ(ParseFeed(Lines("<rss><channel><item><title>open</channel></rss>")), nullptr);
  EXPECT_EQ(ParseFeed(Lines("<html><body>Not Found</body></html><p>")), nullptr);
  EXPECT_EQ(ParseFeed({}), nullptr);  // a failed request leaves no lines
  // Undeclared bytes that are not UTF-8.
  EXPECT_EQ(ParseFeed(Lines("<rss><channel><item><title>Caf\xe9</title></item></channel></rss>")), nullptr);
  // Well-formed, but the root holds no element.
  EXPECT_FALSE(ItemsOf("<rss>\n  <!-- nothing -->\n  text\n</rss>").has_value());
  EXPECT_FALSE(ItemsOf("<rss/>").has_value());
}

TEST(RssFeedTest, ExternalEntitiesAndDtdsAreNeverFetched) {
  test::TLoopbackServer server;
  server.AnswerOthers(test::TScriptedAnswer::Ok("<!ENTITY inner \"x\">", "Content-Type: text/plain\r\n"));
  const auto items = ItemsOf("<?xml version=\"1.0\"?><!DOCTYPE rss SYSTEM \"" + server.Url("/rss.dtd") +
                             "\" [<!ENTITY ext SYSTEM \"" + server.Url("/entity") +
                             "\">]><rss><channel><item><title>a&ext;b</title></item></channel></rss>");
  ASSERT_TRUE(items.has_value());
  ASSERT_EQ(items->size(), 1u);
  EXPECT_EQ(items->front().Title, "ab");
  EXPECT_TRUE(server.Requests().empty());
}

// Bytes held by the texts of `items`.
size_t TextBytes(const std::vector<TFeedItem>& items) {
  size_t bytes = 0;
  for (const TFeedItem& item : items) bytes += item.Title.size() + item.Link.size() + item.Description.size();
  return bytes;
}

TEST(RssFeedTest, OneLargeEntityUsedOverAndOverStaysWithinTheFeedsSize) {
  // 160 kB of feed whose description would be 2 GB of text if every reference were written out.
  std::string text = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY big \"" + std::string(100000, 'x') +
                     "\">]><rss><channel><item><title>t</title><description>";
  for (int i = 0; i < 20000; ++i) text += "&big;";
  text += "</description></item><item><title>after</title></item></channel></rss>";
  const TFeedDocumentPtr feed = ParseFeed(Lines(text));
  ASSERT_NE(feed, nullptr);
  const auto items = FeedItems(*feed);
  ASSERT_TRUE(items.has_value());
  ASSERT_EQ(items->size(), 2u);
  EXPECT_EQ(items->front().Title, "t");
  EXPECT_EQ(items->back().Title, "after");
  EXPECT_LE(TextBytes(*items), 2 * text.size());
  // The script's copy keeps the references as references.
  size_t scriptBytes = 0;
  for (const std::string& line : FeedText(*feed)) scriptBytes += line.size() + 2;
  EXPECT_LE(scriptBytes, 2 * text.size());
}

// A DTD where each entity holds ten of the one below it, `levels` deep, and a channel whose item refers
// `uses` times to the top one. The parser refuses such a DTD whenever it multiplies.
std::string MultiplyingFeed(int levels, int uses, size_t baseSize) {
  std::string text = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY l0 \"" + std::string(baseSize, 'l') + "\">";
  for (int level = 1; level <= levels; ++level) {
    std::string ten;
    for (int i = 0; i < 10; ++i) ten += "&l" + std::to_string(level - 1) + ";";
    text += "<!ENTITY l" + std::to_string(level) + " \"" + ten + "\">";
  }
  text += "]><rss><channel><item><title>x</title><description>";
  for (int i = 0; i < uses; ++i) text += "&l" + std::to_string(levels) + ";";
  return text + "</description></item></channel></rss>";
}

TEST(RssFeedTest, BillionLaughsAreRefused) { EXPECT_EQ(ParseFeed(Lines(MultiplyingFeed(9, 2, 5))), nullptr); }

TEST(RssFeedTest, TextForTheScriptIsTheFeedWrittenAgainInUtf8) {
  const TFeedDocumentPtr feed = ParseFeed(
      Lines("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<rss version=\"2.0\">\r\n<channel><item>"
            "<title>\xe9t\xe9</title></item></channel>\r\n</rss>\r\n"));
  ASSERT_NE(feed, nullptr);
  const std::vector<std::string> text = FeedText(*feed);
  ASSERT_EQ(text.size(), 4u);
  EXPECT_EQ(text[0], "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  EXPECT_EQ(text[1], "<rss version=\"2.0\">");
  EXPECT_EQ(text[2], "<channel><item><title>\xc3\xa9t\xc3\xa9</title></item></channel>");
  EXPECT_EQ(text[3], "</rss>");
  // The text is a feed again, with the same items.
  EXPECT_EQ(ItemsOf(text[0] + "\n" + text[1] + text[2] + text[3]), FeedItems(*feed));
}

TEST(RssFeedTest, TextForTheScriptReadsBackWhateverItsNamespaceNamesHold) {
  const std::string source =
      "<rss xmlns:x=\"urn:a&lt;b&amp;c&quot;d\"><channel><x:y/><item><title>t</title></item></channel></rss>";
  const TFeedDocumentPtr feed = ParseFeed(Lines(source));
  ASSERT_NE(feed, nullptr);
  const TFeedDocumentPtr again = ParseFeed(FeedText(*feed));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(FeedItems(*again), FeedItems(*feed));
  EXPECT_EQ(FeedText(*again), FeedText(*feed));
  EXPECT_NE(FeedText(*feed)[1].find("urn:a&lt;b"), std::string::npos);
}

}  // namespace
}  // namespace varnelo::search
