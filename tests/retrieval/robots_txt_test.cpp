#include "retrieval/robots_txt.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace varnelo::retrieval {
namespace {

struct TRuleCase {
  std::string name;
  std::string robots;
  std::string path;
  bool allowed;
};
void PrintTo(const TRuleCase& c, std::ostream* out) { *out << c.name; }

class RobotsRulesTest : public ::testing::TestWithParam<TRuleCase> {};

TEST_P(RobotsRulesTest, DecidesThePath) {
  const TRuleCase& c = GetParam();
  EXPECT_EQ(RobotsAllowed(ParseRobotsTxt(c.robots), c.path), c.allowed) << c.robots << "\n" << c.path;
}

constexpr std::string_view kFolder = "User-agent: *\nDisallow: /private/\nAllow: /private/open/\n";
constexpr std::string_view kOursBeatsStar = "User-agent: *\nDisallow: /\n\nUser-agent: Varnelo\nDisallow: /private/\n";

INSTANTIATE_TEST_SUITE_P(
    Table, RobotsRulesTest,
    ::testing::Values(
        TRuleCase{"FolderRefused", std::string(kFolder), "/private/a.html", false},
        TRuleCase{"FolderNameIsNotAPrefixOfAnother", std::string(kFolder), "/privates", true},
        TRuleCase{"AllowedFolderInsideRefusedOne", std::string(kFolder), "/private/open/b.html", true},
        TRuleCase{"OutsideEveryRule", std::string(kFolder), "/pub.html", true},
        TRuleCase{"LongerDisallowWins", "User-agent: *\nAllow: /p\nDisallow: /page\n", "/page1", false},
        TRuleCase{"ShorterAllowStillHoldsElsewhere", "User-agent: *\nAllow: /p\nDisallow: /page\n", "/pa", true},
        TRuleCase{"TieGoesToAllow", "User-agent: *\nDisallow: /folder\nAllow: /folder\n", "/folder/x", true},
        TRuleCase{"OurGroupBeatsStar", std::string(kOursBeatsStar), "/pub.html", true},
        TRuleCase{"OurGroupStillRefuses", std::string(kOursBeatsStar), "/private/x", false},
        TRuleCase{"AgentWithVersionAndCase", "User-agent: varnelo/1.61 (linux)\nDisallow: /x\n", "/x", false},
        TRuleCase{"AnotherRobotsGroupIgnored", "User-agent: OtherBot\nDisallow: /\n", "/any", true},
        TRuleCase{"NamedAmongSeveralAgents", "User-agent: a\nUser-agent: Varnelo\nDisallow: /m\n", "/m", false},
        TRuleCase{"OurGroupsMerged", "User-agent: Varnelo\nDisallow: /a\n\nUser-agent: Varnelo\nDisallow: /b\n", "/b",
                  false},
        TRuleCase{"AgentLineAfterRulesOpensAGroup", "User-agent: Varnelo\nDisallow: /a\nUser-agent: z\nDisallow: /b\n",
                  "/b", true},
        TRuleCase{"DollarAnchorsTheEnd", "User-agent: *\nDisallow: /*.pdf$\n", "/doc/file.pdf", false},
        TRuleCase{"DollarRefusesAQueryAfter", "User-agent: *\nDisallow: /*.pdf$\n", "/doc/file.pdf?x=1", true},
        TRuleCase{"DollarRefusesMoreAfter", "User-agent: *\nDisallow: /*.pdf$\n", "/file.pdfx", true},
        TRuleCase{"RootOnly", "User-agent: *\nDisallow: /$\n", "/", false},
        TRuleCase{"RootOnlyLeavesTheRest", "User-agent: *\nDisallow: /$\n", "/a", true},
        TRuleCase{"StarInTheMiddle", "User-agent: *\nDisallow: /*/secret\n", "/a/b/secret/c", false},
        TRuleCase{"StarNeedsItsPieces", "User-agent: *\nDisallow: /*/secret\n", "/secret", true},
        TRuleCase{"TrailingStarIsAPrefix", "User-agent: *\nDisallow: /fish*\n", "/fishheads", false},
        TRuleCase{"StarsBothSides", "User-agent: *\nDisallow: /*a*b$\n", "/xaxxb", false},
        TRuleCase{"StarsBothSidesAnchored", "User-agent: *\nDisallow: /*a*b$\n", "/xaxxbc", true},
        TRuleCase{"QueryPattern", "User-agent: *\nDisallow: /*?sessionid=\n", "/page?sessionid=3", false},
        TRuleCase{"QueryPatternNeedsTheQuery", "User-agent: *\nDisallow: /*?sessionid=\n", "/page", true},
        TRuleCase{"EverythingButRobotsTxt", "User-agent: *\nDisallow: /\n", "/robots.txt", true},
        TRuleCase{"EscapedUnreservedInPattern", "User-agent: *\nDisallow: /%7Euser/\n", "/~user/x", false},
        TRuleCase{"EscapedUnreservedInPath", "User-agent: *\nDisallow: /~user/\n", "/%7euser/x", false},
        TRuleCase{"ReservedEscapeCaseFolded", "User-agent: *\nDisallow: /a%3cb\n", "/a%3Cb", false},
        TRuleCase{"ReservedEscapeIsNotItsCharacter", "User-agent: *\nDisallow: /a%2Fb\n", "/a/b", true},
        TRuleCase{"Utf8PatternMatchesEscapedPath", "User-agent: *\nDisallow: /caf\xC3\xA9/\n", "/caf%C3%A9/x", false},
        TRuleCase{"CommentsCrLfBomAndCase", "\xEF\xBB\xBFUser-Agent: * # all\r\nDISALLOW: /tmp # no\r\n", "/tmp/x",
                  false},
        TRuleCase{"EmptyDisallowAllowsAll", "User-agent: *\nDisallow:\n", "/x", true},
        TRuleCase{"RulesBeforeAnyAgentIgnored", "Disallow: /x\nUser-agent: *\nAllow: /\n", "/x", true},
        TRuleCase{"SitemapKeepsTheGroup", "User-agent: *\nSitemap: http://h/s.xml\nDisallow: /x\n", "/x", false},
        TRuleCase{"GarbageAllowsAll", std::string("\0\xFF\xFE", 3) + "<html><body>oops</body></html>\n:::\n", "/x",
                  true},
        TRuleCase{"LineWithoutColonIgnored", "User-agent: *\nDisallow /x\nDisallow: /y\n", "/x", true}),
    [](const ::testing::TestParamInfo<TRuleCase>& info) { return info.param.name; });

struct TDelayCase {
  std::string name;
  std::string robots;
  std::optional<long> millis;
};
void PrintTo(const TDelayCase& c, std::ostream* out) { *out << c.name; }

class RobotsCrawlDelayTest : public ::testing::TestWithParam<TDelayCase> {};

TEST_P(RobotsCrawlDelayTest, ReadsTheDelayOfOurGroup) {
  const TDelayCase& c = GetParam();
  const std::optional<std::chrono::milliseconds> delay = ParseRobotsTxt(c.robots).CrawlDelay;
  ASSERT_EQ(delay.has_value(), c.millis.has_value()) << c.robots;
  if (delay) {
    EXPECT_EQ(delay->count(), *c.millis);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RobotsCrawlDelayTest,
    ::testing::Values(TDelayCase{"Seconds", "User-agent: *\nCrawl-delay: 2\n", 2000},
                      TDelayCase{"Fraction", "User-agent: *\nCrawl-delay: 0.5\n", 500},
                      TDelayCase{"CappedAtTheMaximum", "User-agent: *\nCrawl-delay: 1e9\n", kMaxCrawlDelay.count()},
                      TDelayCase{"NegativeIgnored", "User-agent: *\nCrawl-delay: -3\n", std::nullopt},
                      TDelayCase{"NotANumberIgnored", "User-agent: *\nCrawl-delay: soon\n", std::nullopt},
                      TDelayCase{"OtherRobotsDelayIgnored", "User-agent: x\nCrawl-delay: 5\n", std::nullopt},
                      TDelayCase{"OursBeforeStars", "User-agent: *\nCrawl-delay: 9\n\nUser-agent: Varnelo\n"
                                                    "Crawl-delay: 1.25\n",
                                 1250}),
    [](const ::testing::TestParamInfo<TDelayCase>& info) { return info.param.name; });

}  // namespace
}  // namespace varnelo::retrieval
