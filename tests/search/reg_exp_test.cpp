#include "search/reg_exp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace varnelo::search {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TRegExp CompiledOrFail(std::string_view pattern, TRegExpModifiers modifiers) {
  auto compiled = TRegExp::Compile(pattern, modifiers);
  if (auto* error = std::get_if<TRegExpCompileError>(&compiled)) {
    ADD_FAILURE() << pattern << ": " << error->reason << " at " << error->position;
    return std::get<TRegExp>(TRegExp::Compile("(?!)", {}));
  }
  return std::move(std::get<TRegExp>(compiled));
}

// The text of the first match, or "<none>".
std::string FirstMatch(const TRegExp& expression, std::string_view subject) {
  const auto match = expression.Find(subject);
  return match ? std::string(subject.substr(match->begin, match->end - match->begin)) : "<none>";
}

constexpr TRegExpModifiers kGreedy{};
constexpr TRegExpModifiers kLazy{false, false, false, false, false, false};

struct TMatchCase {
  const char* name;
  std::string pattern;
  TRegExpModifiers modifiers;
  std::string subject;
  std::string expected;
};

class ModifierTest : public ::testing::TestWithParam<TMatchCase> {};

TEST_P(ModifierTest, FindsTheExpectedFirstMatch) {
  const TMatchCase& c = GetParam();
  EXPECT_EQ(FirstMatch(CompiledOrFail(c.pattern, c.modifiers), c.subject), c.expected);
}

TRegExpModifiers With(TRegExpModifiers m, char flag, bool on) {
  switch (flag) {
    case 'i': m.i = on; break;
    case 'm': m.m = on; break;
    case 's': m.s = on; break;
    case 'x': m.x = on; break;
    case 'g': m.g = on; break;
    case 'r': m.r = on; break;
  }
  return m;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModifierTest,
    ::testing::Values(
        TMatchCase{"caseMatters", "href", kGreedy, "HREF=x", "<none>"},
        TMatchCase{"iIgnoresCase", "href", With(kGreedy, 'i', true), "HREF=x", "HREF"},
        TMatchCase{"iOnBytesAboveAscii", "\xE9", With(kGreedy, 'i', true), "\xC9", "<none>"},
        TMatchCase{"caretAtSubjectStartOnly", "^b", kGreedy, "a\nb", "<none>"},
        TMatchCase{"mCaretAtEmbeddedLine", "^b", With(kGreedy, 'm', true), "a\nb", "b"},
        TMatchCase{"mDollarAtEmbeddedLineEnd", "a$", With(kGreedy, 'm', true), "a\nb", "a"},
        TMatchCase{"dotStopsAtNewline", "a.b", kGreedy, "a\nb", "<none>"},
        TMatchCase{"sDotMatchesNewline", "a.b", With(kGreedy, 's', true), "a\nb", "a\nb"},
        TMatchCase{"blanksCountWithoutX", "a b", kGreedy, "ab a b", "a b"},
        TMatchCase{"xIgnoresBlanksAndComments", "a b # comment", With(kGreedy, 'x', true), "ab a b", "ab"},
        TMatchCase{"gOnIsGreedy", "<.+>", kGreedy, "<a><b>", "<a><b>"},
        TMatchCase{"gOffIsLazy", "<.+>", kLazy, "<a><b>", "<a>"},
        TMatchCase{"gOffStar", "a.*b", kLazy, "a1b2b", "a1b"},
        TMatchCase{"gOffQuestion", "ab?", kLazy, "abb", "a"},
        TMatchCase{"gOffCounted", "a{2,4}", kLazy, "aaaa", "aa"},
        TMatchCase{"gOffOpenCounted", "a{2,}", kLazy, "aaaa", "aa"},
        TMatchCase{"gOffExactCountUnchanged", "a{3}", kLazy, "aaaa", "aaa"},
        // The library's ungreedy option would turn these greedy; they stay lazy.
        TMatchCase{"gOffKeepsWrittenLazy", "<.+?>", kLazy, "<a><b>", "<a>"},
        TMatchCase{"gOnKeepsWrittenLazy", "<.+?>", kGreedy, "<a><b>", "<a>"},
        TMatchCase{"gOffKeepsPossessive", "a++b", kLazy, "aaab", "aaab"},
        TMatchCase{"gOffGroupQuantifier", "(ab)+", kLazy, "ababab", "ab"},
        TMatchCase{"gOffClassWithQuantifierChars", "[+*?]+", kLazy, "+*?", "+"},
        TMatchCase{"gOffEscapedQuantifierChars", "\\++", kLazy, "+++", "+"},
        TMatchCase{"gOffBracedEscapeIsNoQuantifier", "\\x{41}+", kLazy, "AAA", "A"},
        TMatchCase{"gOffLiteralBrace", "a{x}", kLazy, "a{x}", "a{x}"},
        TMatchCase{"gOffExtendedBlankBeforeLazyMark", "a+ ?b|a+", With(kLazy, 'x', true), "aaa", "a"},
        TMatchCase{"gOffInlineExtended", "(?x) < .+ >", kLazy, "<a><b>", "<a>"},
        TMatchCase{"gOffInlineExtendedEndsWithGroup", "(?x: a ) .+", kLazy, "a bc", "a b"},
        TMatchCase{"gOffNamedGroup", "(?<n>a+)b", kLazy, "aab", "aab"},
        TMatchCase{"gOffLookbehind", "(?<=x)a+", kLazy, "xaaa", "a"},
        TMatchCase{"gOffComment", "a(?#+)+", kLazy, "aaa", "a"},
        TMatchCase{"gOffQuotedText", "\\Q+*\\E+", kLazy, "+**", "+*"},
        TMatchCase{"gOffPosixClass", "[[:digit:]]+", kLazy, "123", "1"},
        TMatchCase{"gOffCloseBracketFirstInClass", "[]a]+", kLazy, "]a", "]"},
        TMatchCase{"rAcceptedWithoutEffect", "[a-z]+", With(kGreedy, 'r', true), "abc", "abc"},
        TMatchCase{"fixedModifiers", "A.+B", TRegExpModifiers::Fixed(), "A\nxBB", "A\nxBB"},
        TMatchCase{"fixedModifiersKeepWrittenLazy", "A.+?B", TRegExpModifiers::Fixed(), "AxBB", "AxB"},
        TMatchCase{"highBytesNoUtf", "\xFF\x80+", kGreedy, "a\xFF\x80\x80z", "\xFF\x80\x80"},
        TMatchCase{"invalidUtf8Subject", "b", kGreedy, "\xC3(b", "b"},
        TMatchCase{"nulInPattern", std::string("a\0b", 3), kGreedy, std::string("xa\0b", 4), std::string("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegExpFindAll, WalksMatchesLeftToRight) {
  const TRegExp urls = CompiledOrFail("http://[^\" ]+", kGreedy);
  EXPECT_THAT(urls.FindAll("<a href=\"http://a/1\">x</a> http://b/2 end"), ElementsAre("http://a/1", "http://b/2"));
  EXPECT_THAT(urls.FindAll("no link"), IsEmpty());
}

TEST(RegExpFindAll, EmptyMatchesNeitherLoopNorHideLaterMatches) {
  EXPECT_THAT(CompiledOrFail("x*", kGreedy).FindAll("axxb"), ElementsAre("", "xx", "", ""));
  EXPECT_THAT(CompiledOrFail("", kGreedy).FindAll("ab"), ElementsAre("", "", ""));
  EXPECT_THAT(CompiledOrFail("a*", kLazy).FindAll("aa"), ElementsAre("", "a", "", "a", ""));
}

TEST(RegExpFind, CatastrophicBacktrackingEndsAsNoMatch) {
  const TRegExp expression = CompiledOrFail("(a+)+$", kGreedy);
  EXPECT_FALSE(expression.Matches(std::string(40, 'a') + "b"));
}

struct TErrorCase {
  const char* name;
  std::string pattern;
  TRegExpModifiers modifiers;
  size_t position;
};

class CompileErrorTest : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(CompileErrorTest, ReportsThePositionInTheExpressionAsWritten) {
  const TErrorCase& c = GetParam();
  const auto compiled = TRegExp::Compile(c.pattern, c.modifiers);
  ASSERT_TRUE(std::holds_alternative<TRegExpCompileError>(compiled));
  const auto& error = std::get<TRegExpCompileError>(compiled);
  EXPECT_EQ(error.position, c.position);
  EXPECT_FALSE(error.reason.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompileErrorTest,
    ::testing::Values(TErrorCase{"unclosedGroup", "(ab", kGreedy, 3},
                      TErrorCase{"unclosedGroupLazy", "a+b+(c", kLazy, 6},
                      TErrorCase{"unclosedClass", "a*[bc", kGreedy, 5},
                      TErrorCase{"unclosedClassLazy", "a*[bc", kLazy, 5},
                      TErrorCase{"nothingToRepeat", "*a", kGreedy, 0},
                      TErrorCase{"doubleQuantifierLazy", "a+b**", kLazy, 4},
                      TErrorCase{"bracesOutOfOrderLazy", "a+b{3,1}", kLazy, 7},
                      TErrorCase{"trailingBackslash", "a+\\", kLazy, 3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnelo::search
