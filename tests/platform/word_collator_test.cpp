#include "platform/word_collator.h"

#include <gtest/gtest.h>

#include <string>

namespace varnelo::platform {
namespace {

constexpr int kUnequal = 2;

struct TOrderCase {
  std::string a;
  std::string b;
  int sign;  // of Compare(a, b); kUnequal when only inequality matters
};

TEST(WordCollatorTest, ComparesWithoutRegardToCaseOnly) {
  const TOrderCase cases[] = {
      {"http://A.com/", "http://a.com/", 0},
      {"\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89", 0},  // "Été" and "éTÉ"
      {"e", "\xC3\xA9", -1},                           // "e" before "é", not equal
      {"abc", "ABD", -1},
      {"ABD", "abc", 1},
      {"", "a", -1},
      {"a\x01" "b", "ab", kUnequal},   // a control character the collator ignores still counts
      {"\xE9", "\xE8", kUnequal},      // invalid UTF-8 bytes stay distinct
      {"\xC9", "\xE9", 0},      // and compare as Latin-1 letters
      {"\xE9", "\xC3\xA9", kUnequal},  // but never equal the real character
  };
  TWordCollator order;
  for (const auto& c : cases) {
    const int result = order.CompareIgnoringCase(c.a, c.b);
    const int reverse = order.CompareIgnoringCase(c.b, c.a);
    const int sign = (result > 0) - (result < 0);
    if (c.sign == kUnequal) {
      EXPECT_NE(sign, 0) << c.a << " / " << c.b;
    } else {
      EXPECT_EQ(sign, c.sign) << c.a << " / " << c.b;
    }
    EXPECT_EQ((reverse > 0) - (reverse < 0), -sign) << c.b << " / " << c.a;
  }
}

}  // namespace
}  // namespace varnelo::platform
