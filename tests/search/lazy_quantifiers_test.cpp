#include "search/lazy_quantifiers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace varnelo::search {
namespace {

struct TRewriteCase {
  const char* name;
  const char* pattern;
  bool extended;
  const char* expected;
};

class LazyRewriteTest : public ::testing::TestWithParam<TRewriteCase> {};

TEST_P(LazyRewriteTest, MakesEveryGreedyQuantifierLazy) {
  const TRewriteCase& c = GetParam();
  EXPECT_EQ(MakeQuantifiersLazy(c.pattern, c.extended).pattern, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LazyRewriteTest,
    ::testing::Values(
        TRewriteCase{"simple", "a*b+c?", false, "a*?b+?c??"},
        TRewriteCase{"counted", "a{2}b{2,}c{2,5}", false, "a{2}?b{2,}?c{2,5}?"},
        TRewriteCase{"alreadyLazy", "a*?b+?c??d{2}?", false, "a*?b+?c??d{2}?"},
        TRewriteCase{"possessive", "a*+b++c?+d{2}+", false, "a*+b++c?+d{2}+"},
        TRewriteCase{"literalBraces", "a{b}c{}d{,x}", false, "a{b}c{}d{,x}"},
        TRewriteCase{"escapes", "\\*\\+\\?\\{2}\\d+", false, "\\*\\+\\?\\{2}\\d+?"},
        TRewriteCase{"bracedEscapes", "\\x{41}\\p{L}+\\g{1}", false, "\\x{41}\\p{L}+?\\g{1}"},
        TRewriteCase{"controlEscape", "\\c*+", false, "\\c*+?"},
        TRewriteCase{"quoted", "\\Qa+b*\\E+", false, "\\Qa+b*\\E+?"},
        TRewriteCase{"classes", "[*+?{}]+[^]+]*[a\\]+]?", false, "[*+?{}]+?[^]+]*?[a\\]+]??"},
        TRewriteCase{"posixClass", "[[:alpha:]+]+", false, "[[:alpha:]+]+?"},
        TRewriteCase{"groupSyntax", "(?:a+)(?=b*)(?!c?)(?<=d)(?<!e)(?>f+)", false,
                     "(?:a+?)(?=b*?)(?!c?\?)(?<=d)(?<!e)(?>f+?)"},
        TRewriteCase{"namedGroups", "(?<n>a+)(?'m'b*)(?P<o>c?)(?P=n)+", false, "(?<n>a+?)(?'m'b*?)(?P<o>c?\?)(?P=n)+?"},
        TRewriteCase{"conditional", "(?(1)a+|b*)", false, "(?(1)a+?|b*?)"},
        TRewriteCase{"conditionalAssertion", "(?(?=x)a+|b)", false, "(?(?=x)a+?|b)"},
        TRewriteCase{"recursion", "(a(?R)?b)", false, "(a(?R)??b)"},
        TRewriteCase{"verb", "a+(*SKIP)(*MARK:a+)b", false, "a+?(*SKIP)(*MARK:a+)b"},
        TRewriteCase{"callout", "a(?C{x+)})+", false, "a(?C{x+)})+?"},
        TRewriteCase{"comment", "a(?#x+)+", false, "a(?#x+)+?"},
        TRewriteCase{"commentBeforeLazyMark", "a+(?#x)?", false, "a+(?#x)?"},
        TRewriteCase{"extendedBlankBeforeLazyMark", "a+ ?b+", true, "a+ ?b+?"},
        TRewriteCase{"extendedCommentBeforeLazyMark", "a+ # c\n?", true, "a+ # c\n?"},
        TRewriteCase{"extendedCommentHidesQuantifiers", "a # b+\nc+", true, "a # b+\nc+?"},
        TRewriteCase{"blankNotIgnoredWithoutX", "a+ ?", false, "a+? ?\?"},
        TRewriteCase{"inlineXForTheRest", "a+ ?(?x)b+ ?", false, "a+? ?\?(?x)b+ ?"},
        TRewriteCase{"inlineXEndsWithItsGroup", "((?x)a+ ?)b+ ?", false, "((?x)a+ ?)b+? ?\?"},
        TRewriteCase{"inlineXGroup", "(?x:a+ ?)b+ ?", false, "(?x:a+ ?)b+? ?\?"},
        TRewriteCase{"inlineUnsetX", "(?-x)a+ ?", true, "(?-x)a+? ?\?"},
        TRewriteCase{"caretResetsX", "(?^)a+ ?", true, "(?^)a+? ?\?"},
        TRewriteCase{"binaryBytes", "\xFF+\x80*", false, "\xFF+?\x80*?"},
        TRewriteCase{"trailingBackslash", "a+\\", false, "a+?\\"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LazyPattern, MapsOffsetsBackToThePatternAsWritten) {
  const TLazyPattern lazy = MakeQuantifiersLazy("a+b*c", false);
  ASSERT_EQ(lazy.pattern, "a+?b*?c");
  EXPECT_EQ(lazy.inserted, (std::vector<size_t>{2, 5}));
  EXPECT_EQ(lazy.OriginalOffset(0), 0u);
  EXPECT_EQ(lazy.OriginalOffset(2), 2u);
  EXPECT_EQ(lazy.OriginalOffset(3), 2u);
  EXPECT_EQ(lazy.OriginalOffset(6), 4u);
  EXPECT_EQ(lazy.OriginalOffset(7), 5u);
}

}  // namespace
}  // namespace varnelo::search
