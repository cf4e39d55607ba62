#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "base/text.h"
#include "search/rss_feed.h"

namespace varnelo::search {
namespace {

constexpr std::string_view kDocumentUrl = "http://feeds.test/news/atom.xml";

std::optional<std::vector<TFeedItem>> ItemsOf(std::string_view text) {
  const TFeedDocumentPtr feed = ParseFeed(base::SplitLines(text));
  if (!feed) return std::nullopt;
  return FeedItems(*feed, kDocumentUrl);
}

// An Atom feed around `entries`.
std::string Atom(std::string_view entries) {
  return "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>F</title>" + std::string(entries) + "</feed>";
}

struct TAtomCase {
  const char* name;
  std::string text;
  std::vector<TFeedItem> items;
};
void PrintTo(const TAtomCase& c, std::ostream* os) { *os << c.name; }

class AtomEntriesTest : public ::testing::TestWithParam<TAtomCase> {};

TEST_P(AtomEntriesTest, GiveOneRowPerEntry) {
  const auto items = ItemsOf(GetParam().text);
  ASSERT_TRUE(items.has_value());
  EXPECT_EQ(*items, GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AtomEntriesTest,
    ::testing::Values(
        // Line breaks of a long title and the indentation of a summary do not reach the row.
        TAtomCase{"PlainTextOnOneLine",
                  Atom("<entry><title>Two\n   lines </title><summary type=\"text\">\n  &lt;b&gt; stays\tas text\n"
                       "</summary></entry>"),
                  {{"Two lines", "", "<b> stays as text"}}},
        TAtomCase{"HtmlIsDecodedAndLosesItsTags",
                  Atom("<entry><title type=\"html\">Caf&amp;eacute; &lt;em&gt;cr&amp;egrave;me&lt;/em&gt;</title>"
                       "<summary type=\"HTML\"><![CDATA[<p>One</p><p>Two &amp; <b>three</b></p>"
                       "<script>alert(1)</script><style>p{}</style>]]></summary></entry>"),
                  {{"Caf\xc3\xa9 cr\xc3\xa8me", "", "One Two & three"}}},
        TAtomCase{"XhtmlGivesTheTextOfItsDiv",
                  Atom("<entry><title type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">A <i>b</i>"
                       "</div></title><content type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">"
                       "<p>First &amp; <a href=\"x\">link</a></p><ul><li>one</li><li>two</li></ul></div>"
                       "</content></entry>"),
                  {{"A b", "", "First & link one two"}}},
        // The summary comes first; content only stands in for a missing one.
        TAtomCase{"SummaryBeforeContent",
                  Atom("<entry><content>long</content><summary>short</summary></entry>"
                       "<entry><content type=\"text/plain\">only content</content></entry>"
                       "<entry><title>none</title></entry>"),
                  {{"", "", "short"}, {"", "", "only content"}, {"none", "", ""}}},
        // Out-of-line and base64 content have no text to show.
        TAtomCase{"ContentWithoutText",
                  Atom("<entry><content src=\"http://a/v.mp4\" type=\"video/mp4\"/></entry>"
                       "<entry><content type=\"application/octet-stream\">AAEC</content></entry>"
                       "<entry><content type=\"application/xhtml+xml\"><p xmlns=\"http://www.w3.org/1999/xhtml\">"
                       "x</p><p xmlns=\"http://www.w3.org/1999/xhtml\">y</p></content></entry>"),
                  {{"", "", ""}, {"", "", ""}, {"", "", "x y"}}},
        // The namespace counts, not the prefix: Atom under a prefix is read, look-alikes of other
        // namespaces are not.
        TAtomCase{"NamespaceNotPrefix",
                  "<a:feed xmlns:a=\"http://www.w3.org/2005/Atom\" xmlns=\"http://other.test/\" "
                  "xmlns:m=\"http://search.yahoo.com/mrss/\"><a:entry><title>other</title><m:title>media</m:title>"
                  "<a:title>atom</a:title><summary>no</summary></a:entry><entry><a:title>outside</a:title></entry>"
                  "</a:feed>",
                  {{"atom", "", ""}}},
        TAtomCase{"EntryDocument",
                  "<entry xmlns=\"http://www.w3.org/2005/Atom\"><title>alone</title><link href=\"/e/1\"/></entry>",
                  {{"alone", "http://feeds.test/e/1", ""}}},
        // The first link that leads to the entry itself, whatever stands before it.
        TAtomCase{"AlternateLink",
                  Atom("<entry><link rel=\"self\" href=\"http://a/self\"/><link rel=\"enclosure\" href=\"http://a/m\"/>"
                       "<link href=\"http://a/plain\"/><link rel=\"alternate\" href=\"http://a/alt\"/></entry>"
                       "<entry><link rel=\"http://www.iana.org/assignments/relation/alternate\" href=\" http://a/iri \"/>"
                       "</entry><entry><link rel=\"alternate\"/><link rel=\"alternate\" href=\"http://a/second\"/></entry>"
                       "<entry><link rel=\"related\" href=\"http://a/r\"/></entry>"),
                  {{"", "http://a/plain", ""}, {"", "http://a/iri", ""}, {"", "http://a/second", ""}, {"", "", ""}}},
        // xml:base values build on one another from the root down, the link's own last; relative ones
        // start from the document's address, and dot segments go.
        TAtomCase{"XmlBase",
                  "<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:base=\"/blog/\">"
                  "<entry xml:base=\"2024/\"><link href=\"post.html?x=1#top\"/></entry>"
                  "<entry><link href=\"../about\"/></entry>"
                  "<entry xml:base=\"https://mirror.test/a/b/\"><link xml:base=\"../c/\" href=\"d\"/></entry>"
                  "<entry><link href=\"//cdn.test/x\"/></entry>"
                  "<entry><link href=\"mailto:me@feeds.test\"/></entry></feed>",
                  {{"", "http://feeds.test/blog/2024/post.html?x=1#top", ""},
                   {"", "http://feeds.test/about", ""},
                   {"", "https://mirror.test/a/c/d", ""},
                   {"", "http://cdn.test/x", ""},
                   {"", "mailto:me@feeds.test", ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AtomFeedTest, RelativeLinksStayAsWrittenWithoutTheDocumentsAddress) {
  const TFeedDocumentPtr feed = ParseFeed({Atom("<entry><link href=\"p/1\"/></entry>")});
  ASSERT_NE(feed, nullptr);
  EXPECT_EQ(FeedItems(*feed), (std::vector<TFeedItem>{{"", "p/1", ""}}));
}

TEST(AtomFeedTest, OneLargeEntityUsedOverAndOverStaysWithinTheFeedsSize) {
  std::string text = "<?xml version=\"1.0\"?><!DOCTYPE feed [<!ENTITY big \"" + std::string(100000, 'x') +
                     "\">]><feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><title>t</title><summary type=\"html\">";
  for (int i = 0; i < 20000; ++i) text += "&big;";
  text += "</summary><content>";
  for (int i = 0; i < 20000; ++i) text += "&big;";
  text += "</content></entry><entry><title>after</title></entry></feed>";
  const auto items = ItemsOf(text);
  ASSERT_TRUE(items.has_value());
  ASSERT_EQ(items->size(), 2u);
  EXPECT_EQ(items->front().Title, "t");
  EXPECT_EQ(items->back().Title, "after");
  EXPECT_LE(items->front().Description.size(), 2 * text.size());
}

}  // namespace
}  // namespace varnelo::search
