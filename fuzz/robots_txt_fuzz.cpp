// Any bytes as a robots.txt, and its first line as a request path: parsing and deciding without a crash,
// every rule kept in normal form, and the normal form unchanged by a second pass.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "retrieval/robots_txt.h"

using namespace varnelo::retrieval;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string_view path = text.substr(0, text.find('\n'));
  const TRobotsRules rules = ParseRobotsTxt(text);
  RobotsAllowed(rules, path);
  for (const TRobotsRule& rule : rules.Rules) {
    if (NormaliseRobotsPath(rule.Pattern) != rule.Pattern) std::abort();
  }
  const std::string once = NormaliseRobotsPath(path);
  if (NormaliseRobotsPath(once) != once) std::abort();
  if (rules.CrawlDelay && (rules.CrawlDelay->count() < 0 || *rules.CrawlDelay > kMaxCrawlDelay)) std::abort();
  return 0;
}
