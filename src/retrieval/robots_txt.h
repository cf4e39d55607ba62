#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::retrieval {

// The product token this program answers to in a robots.txt user-agent line.
inline constexpr std::string_view kRobotsProductToken = "Varnelo";
// A Crawl-delay above this is taken as this: a site cannot park a crawl for hours.
inline constexpr std::chrono::milliseconds kMaxCrawlDelay{60000};

// One Allow or Disallow line of the group that applies to us, its path pattern normalised.
struct TRobotsRule {
  bool Allow = false;
  std::string Pattern;
};

// What a site's robots.txt asks of us.
struct TRobotsRules {
  std::vector<TRobotsRule> Rules;
  std::optional<std::chrono::milliseconds> CrawlDelay;
};

// The rules of the groups whose user-agent is `productToken` (compared without regard to case), or,
// when none names it, of the groups of "*". Groups that name us twice are merged. Lines are cut at
// "#", unknown lines are passed over, and anything unreadable is simply no rule.
TRobotsRules ParseRobotsTxt(std::string_view text, std::string_view productToken = kRobotsProductToken);

// Whether `pathAndQuery` ("/path?query", as it stands in the request line) may be fetched: the longest
// matching pattern decides, an Allow winning a tie; no match allows. "/robots.txt" is always allowed.
bool RobotsAllowed(const TRobotsRules& rules, std::string_view pathAndQuery);

// `pattern` matched against the whole of `path` from its start: "*" stands for any run of bytes and a
// final "$" anchors the end; without it the pattern needs only to be a prefix.
bool RobotsPatternMatches(std::string_view pattern, std::string_view path);

// `path` with its escapes put in one form, so that patterns and request paths compare: an escape of an
// unreserved character is decoded, other escapes get upper-case digits, and bytes outside printable
// ASCII are escaped.
std::string NormaliseRobotsPath(std::string_view path);

}  // namespace varnelo::retrieval
