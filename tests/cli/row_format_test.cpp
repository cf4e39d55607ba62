#include "row_format.h"

#include <gtest/gtest.h>

namespace varnelo::cli {
namespace {

using namespace std::string_literals;

struct TJsonCase {
  const char* name;
  std::string bytes;
  std::string json;
};

class JsonStringTest : public ::testing::TestWithParam<TJsonCase> {};

TEST_P(JsonStringTest, Escapes) { EXPECT_EQ(JsonString(GetParam().bytes), GetParam().json); }

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonStringTest,
    ::testing::Values(
        TJsonCase{"empty", "", R"("")"},
        TJsonCase{"plain", "fish & chips", R"("fish & chips")"},
        TJsonCase{"quoteAndBackslash", R"(say "C:\x")", R"("say \"C:\\x\"")"},
        TJsonCase{"namedControls", "a\tb\nc\rd\be\f", R"("a\tb\nc\rd\be\f")"},
        TJsonCase{"otherControlsAndDelete", "\x01\x1f\x7f"s + "\0"s, R"("\u0001\u001f\u007f\u0000")"},
        TJsonCase{"slashStays", "http://h/p", R"("http://h/p")"},
        TJsonCase{"validUtf8Stays", "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
        TJsonCase{"latin1ByteBecomesItsCharacter", "Caf\xE9", R"("Caf\u00e9")"},
        TJsonCase{"strayContinuationByte", "a\x80z", R"("a\u0080z")"},
        TJsonCase{"sequenceCutShortAtTheEnd", "a\xE2\x82", R"("a\u00e2\u0082")"},
        TJsonCase{"sequenceCutByAnAsciiByte", "\xC3(", R"("\u00c3(")"},
        TJsonCase{"overlongForm", "\xC0\xAF", R"("\u00c0\u00af")"},
        TJsonCase{"overlongThreeBytes", "\xE0\x80\xAF", R"("\u00e0\u0080\u00af")"},
        TJsonCase{"surrogate", "\xED\xA0\x80", R"("\u00ed\u00a0\u0080")"},
        TJsonCase{"beyondUnicode", "\xF4\x90\x80\x80", R"("\u00f4\u0090\u0080\u0080")"},
        TJsonCase{"highestCodePoint", "\xF4\x8F\xBF\xBF", "\"\xF4\x8F\xBF\xBF\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TsvFieldTest, EscapesWhatWouldSplitTheLine) {
  EXPECT_EQ(TsvField("a\tb\r\nc\\d é"), "a\\tb\\r\\nc\\\\d é");
  EXPECT_EQ(TsvField(""), "");
}

TEST(RowLineTest, TabCaptionThenTheRowsColumns) {
  const base::TListRow row{"Un titre", {"http://h/a?x=1&y=2", "ligne\tavec\ntout"}, {}};
  EXPECT_EQ(RowLine("rss2", row, false), "rss2\tUn titre\thttp://h/a?x=1&y=2\tligne\\tavec\\ntout");
  EXPECT_EQ(RowLine("rss2", row, true),
            R"({"tab":"rss2","columns":["Un titre","http://h/a?x=1&y=2","ligne\tavec\ntout"]})");
}

TEST(RowLineTest, RowWithoutSubItems) {
  const base::TListRow row{"seul", {}, {}};
  EXPECT_EQ(RowLine("t", row, false), "t\tseul");
  EXPECT_EQ(RowLine("t", row, true), R"({"tab":"t","columns":["seul"]})");
}

TEST(NavigationLineTest, GetShowsTheUrl) {
  base::TTabContent content;
  content.Template = base::TTabTemplate::WebBrowser;
  content.Url = "http://127.0.0.1:8080/s?q=fish%20&%20chips";
  EXPECT_EQ(NavigationLine("Web", content, false), "Web\thttp://127.0.0.1:8080/s?q=fish%20&%20chips");
  EXPECT_EQ(NavigationLine("Web", content, true), R"({"tab":"Web","url":"http://127.0.0.1:8080/s?q=fish%20&%20chips"})");
}

TEST(NavigationLineTest, PostAddsItsData) {
  base::TTabContent content;
  content.Template = base::TTabTemplate::WebBrowser;
  content.Url = "http://h/post";
  content.PostData = "q=a b";
  content.PostHeaders = "Content-type: application/x-www-form-urlencoded; charset=UTF-8\n\r";
  EXPECT_EQ(NavigationLine("Poste", content, false), "Poste\thttp://h/post\tq=a b");
  EXPECT_EQ(NavigationLine("Poste", content, true), R"({"tab":"Poste","url":"http://h/post","post":"q=a b"})");
}

}  // namespace
}  // namespace varnelo::cli
