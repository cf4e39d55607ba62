// Any bytes as a feed, cut into lines: parsing, telling why it is no feed, listing the items (Atom links
// resolved against an address) and writing the text back end without a crash, and the text written back
// parses again with the same items.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "search/feed_check.h"
#include "search/rss_feed.h"

using namespace varnelo::search;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  constexpr std::string_view kDocumentUrl = "http://fuzz.test/feeds/atom.xml";
  const TFeedDocumentPtr feed = ParseFeed(lines);
  NotAFeedReason(lines, feed.get());
  if (!feed) return 0;
  const auto items = FeedItems(*feed, kDocumentUrl);
  const std::vector<std::string> written = FeedText(*feed);
  const TFeedDocumentPtr again = ParseFeed(written);
  if (!again) std::abort();
  if (FeedItems(*again, kDocumentUrl) != items) std::abort();
  return 0;
}
