#include "retrieval/robots_txt.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/text.h"
#include "platform/percent_encoding.h"

namespace varnelo::retrieval {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kRobotsPath = "/robots.txt";

bool Unreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

// The leading product token of a user-agent value ("Varnelo/1.6 (x)" gives "Varnelo").
std::string_view ProductToken(std::string_view value) {
  size_t end = 0;
  while (end < value.size()) {
    const char c = value[end];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_')) break;
    ++end;
  }
  return value.substr(0, end);
}

std::optional<std::chrono::milliseconds> ParseCrawlDelay(std::string_view value) {
  double seconds = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (error != std::errc() || !std::isfinite(seconds) || seconds < 0) return std::nullopt;
  const double millis = std::min(seconds * 1000.0, double(kMaxCrawlDelay.count()));
  return std::chrono::milliseconds(std::llround(millis));
}

struct TGroup {
  std::vector<std::string> Agents;
  TRobotsRules Rules;
};

// The file cut into groups: user-agent lines in a row open one, the lines after them fill it.
std::vector<TGroup> ReadGroups(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::vector<TGroup> groups;
  bool readingAgents = false;
  for (const std::string& rawLine : base::SplitLines(text)) {
    std::string_view line = rawLine;
    line = line.substr(0, line.find('#'));
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string key = base::AsciiLowered(base::TrimSpaces(line.substr(0, colon)));
    const std::string_view value = base::TrimSpaces(line.substr(colon + 1));
    if (key == "user-agent") {
      if (!readingAgents) groups.emplace_back();
      readingAgents = true;
      groups.back().Agents.emplace_back(value);
      continue;
    }
    const bool rule = key == "allow" || key == "disallow";
    if (!rule && key != "crawl-delay") continue;  // sitemap and the like belong to no group
    readingAgents = false;
    if (groups.empty()) continue;
    TRobotsRules& rules = groups.back().Rules;
    if (key == "crawl-delay") {
      if (!rules.CrawlDelay) rules.CrawlDelay = ParseCrawlDelay(value);
    } else if (!value.empty()) {
      std::string pattern = NormaliseRobotsPath(value);
      if (pattern.front() != '/' && pattern.front() != '*') pattern.insert(0, "/");
      rules.Rules.push_back({key == "allow", std::move(pattern)});
    }
  }
  return groups;
}

bool NamesAgent(const TGroup& group, std::string_view productToken) {
  for (const std::string& agent : group.Agents) {
    if (productToken == "*" ? agent == "*" : base::EqualsIgnoringAsciiCase(ProductToken(agent), productToken)) {
      return true;
    }
  }
  return false;
}

TRobotsRules MergedRules(const std::vector<TGroup>& groups, std::string_view agent) {
  TRobotsRules merged;
  for (const TGroup& group : groups) {
    if (!NamesAgent(group, agent)) continue;
    merged.Rules.insert(merged.Rules.end(), group.Rules.Rules.begin(), group.Rules.Rules.end());
    if (!merged.CrawlDelay) merged.CrawlDelay = group.Rules.CrawlDelay;
  }
  return merged;
}

bool AnyGroupNames(const std::vector<TGroup>& groups, std::string_view agent) {
  for (const TGroup& group : groups) {
    if (NamesAgent(group, agent)) return true;
  }
  return false;
}

}  // namespace

std::string NormaliseRobotsPath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (size_t at = 0; at < path.size(); ++at) {
    const auto c = static_cast<unsigned char>(path[at]);
    if (c == '%') {
      if (const std::optional<unsigned char> escaped = platform::PercentEscapeAt(path, at)) {
        if (Unreserved(*escaped)) {
          out += static_cast<char>(*escaped);
        } else {
          platform::AppendPercentEscape(out, *escaped);
        }
        at += 2;
        continue;
      }
    }
    if (c <= 0x20 || c >= 0x7F || c == '%') {
      platform::AppendPercentEscape(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool RobotsPatternMatches(std::string_view pattern, std::string_view path) {
  const bool anchored = pattern.ends_with('$');
  if (anchored) pattern.remove_suffix(1);
  const size_t firstStar = pattern.find('*');
  if (firstStar == std::string_view::npos) return anchored ? path == pattern : path.starts_with(pattern);
  // The pieces between stars, each taken at its leftmost place, leave the most room for the rest.
  if (!path.starts_with(pattern.substr(0, firstStar))) return false;
  size_t position = firstStar;
  size_t pieceStart = firstStar + 1;
  while (true) {
    const size_t star = pattern.find('*', pieceStart);
    const size_t pieceLength = star == std::string_view::npos ? std::string_view::npos : star - pieceStart;
    const std::string_view piece = pattern.substr(pieceStart, pieceLength);
    if (star == std::string_view::npos) {
      if (!anchored) return path.find(piece, position) != std::string_view::npos;
      return path.size() >= position + piece.size() && path.ends_with(piece);
    }
    const size_t found = path.find(piece, position);
    if (found == std::string_view::npos) return false;
    position = found + piece.size();
    pieceStart = star + 1;
  }
}

TRobotsRules ParseRobotsTxt(std::string_view text, std::string_view productToken) {
  const std::vector<TGroup> groups = ReadGroups(text);
  return MergedRules(groups, AnyGroupNames(groups, productToken) ? productToken : "*");
}

bool RobotsAllowed(const TRobotsRules& rules, std::string_view pathAndQuery) {
  if (pathAndQuery == kRobotsPath) return true;
  const std::string path = NormaliseRobotsPath(pathAndQuery);
  size_t longest = 0;
  bool allowed = true;
  bool matched = false;
  for (const TRobotsRule& rule : rules.Rules) {
    if (!RobotsPatternMatches(rule.Pattern, path)) continue;
    const size_t length = rule.Pattern.size();
    if (!matched || length > longest || (length == longest && rule.Allow)) {
      longest = length;
      allowed = rule.Allow;
      matched = true;
    }
  }
  return allowed;
}

}  // namespace varnelo::retrieval
