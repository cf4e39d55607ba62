#include "search/sorted_word_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnelo::search {
namespace {

using namespace std::string_literals;

std::string Normalised(std::string_view text) {
  platform::TWordCollator collator;
  return TSortedWordList::FromText(text, collator).ToText();
}

struct TCase {
  const char* name;
  std::string text;
  std::string expected;
};

class SortedWordListTest : public ::testing::TestWithParam<TCase> {};

TEST_P(SortedWordListTest, NormalisesTheLines) { EXPECT_EQ(Normalised(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Cases, SortedWordListTest,
    ::testing::Values(
        TCase{"blanksCaseAndEmptyLines", "  Chat\r\nchat\r\nCHAT \r\n\r\n", "chat\r\n"},
        TCase{"capitalAccentedLetterIsNotLowered", "Été\r\nété\r\n", "Été\r\n"},
        TCase{"firstReadStays", "été\r\nÉté\r\n", "été\r\n"},
        TCase{"accentsCount", "é\r\nE\r\ne\r\nÉ\r\n", "e\r\né\r\n"},
        TCase{"collationOrder", "zèbre\r\nÉcole\r\nabricot\r\necole\r\n10\r\n", "10\r\nabricot\r\necole\r\nÉcole\r\nzèbre\r\n"},
        TCase{"crOnlyLineEnds", "b\ra\r\rC\r", "a\r\nb\r\nc\r\n"},
        TCase{"lfAndMixedLineEnds", "b\na\r\nc", "a\r\nb\r\nc\r\n"},
        TCase{"blanksInsideAWordStay", "\tchat  noir \r\nChat  Noir\r\nchat noir\r\n", "chat  noir\r\nchat noir\r\n"},
        TCase{"emptyText", "", ""},
        TCase{"onlyBlanksAndBreaks", " \r\n\t\r\n\r\r\n\n", ""},
        TCase{"nulBytesAtTheEndsAreTrimmed", "\0\0chat\0\r\n"s, "chat\r\n"},
        // The collator ignores NUL, but a word that holds one is not the word without it.
        TCase{"nulInsideAWordKeepsItApart", "abcd\r\nab\0cd\r\nAB\0CD\r\n"s, "abcd\r\nab\0cd\r\n"s},
        // Bytes that are not UTF-8 (a Windows-1252 "été") are kept apart from the UTF-8 word.
        TCase{"notUtf8", "\xE9t\xE9\r\nété\r\n\xE9T\xE9\r\n", "\xE9t\xE9\r\nété\r\n"},
        TCase{"fullwidthIsAnotherWord", "ａ\r\na\r\nＡ\r\n", "ａ\r\na\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SortedWordListLongLineTest, LinesOfAMegabyte) {
  const std::string a(1 << 20, 'a');
  const std::string upper(1 << 20, 'A');
  const std::string text = upper + "B\r\n" + a + "c\r\n" + a + "b\r\n";
  EXPECT_EQ(Normalised(text), a + "b\r\n" + a + "c\r\n");
}

TEST(SortedWordListProgressTest, ReportsBytesOfLinesAndWordsWritten) {
  platform::TWordCollator collator;
  std::vector<uint64_t> bytes;
  const TSortedWordList list =
      TSortedWordList::FromText("bb\r\n\r\n a\nbb", collator, [&](uint64_t read) { bytes.push_back(read); });
  EXPECT_EQ(bytes, (std::vector<uint64_t>{2, 2, 4, 6}));
  std::vector<size_t> written;
  EXPECT_EQ(list.ToText([&](size_t count) { written.push_back(count); }), "a\r\nbb\r\n");
  EXPECT_EQ(written, (std::vector<size_t>{1, 2}));
}

TEST(WordCollatorTest, SecondaryStrength) {
  platform::TWordCollator collator;
  EXPECT_EQ(collator.Compare("Été", "été"), 0);
  EXPECT_LT(collator.Compare("e", "é"), 0);
  EXPECT_LT(collator.Compare("été", "étés"), 0);
  EXPECT_EQ(collator.Folded("ÉTÉ"), collator.Folded("été"));
  EXPECT_NE(collator.Folded("\xE9t\xE9"), collator.Folded("été"));
}

}  // namespace
}  // namespace varnelo::search
