#include "base/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnelo::base {
namespace {

TEST(TextTest, OnlyAsciiLettersChangeCase) {
  // "É" in UTF-8 and the byte 0xC9 stay as they are.
  EXPECT_EQ(AsciiLowered("AbZ\xC3\x89\xC9[@"), "abz\xC3\x89\xC9[@");
  EXPECT_EQ(AsciiUppered("azA\xC3\xA9`{"), "AZA\xC3\xA9`{");
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Content-Type", "content-TYPE"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC3\x89", "\xC3\xA9"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("abc", "ab"));
}

TEST(TextTest, TrimsTakeTheirOwnBytes) {
  struct TCase {
    std::string_view (*trim)(std::string_view);
    std::string text;
    std::string expected;
  };
  const TCase cases[] = {
      {TrimBlanks, " \t a b \t", "a b"},
      {TrimBlanks, "\r\na\n", "\r\na\n"},
      {TrimBlanks, " \t ", ""},
      {TrimSpaces, std::string("\x01\r\n a\x7F \0", 9), "a\x7F"},
      {TrimSpacesRight, " a \n", " a"},
      {TrimSpaces, "", ""},
  };
  for (const TCase& c : cases) EXPECT_EQ(c.trim(c.text), c.expected) << c.text;
  EXPECT_EQ(TrimAny("\r\n a \r", " \r\n"), "a");
}

TEST(TextTest, SplitLinesTakesEveryLineEnd) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(SplitLines("a\n\rb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_EQ(SplitLines("\n"), (std::vector<std::string>{""}));
}

}  // namespace
}  // namespace varnelo::base
