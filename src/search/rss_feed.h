#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::search {

// A feed parsed as an XML document (libxml2); a search engine worker keeps the one it showed.
struct TFeedDocument;
using TFeedDocumentPtr = std::shared_ptr<const TFeedDocument>;

// One item of a feed: the texts of its "title", "link" and "description" elements, in UTF-8; an absent
// element gives an empty text, one that holds more than a simple text gives all the text inside it.
struct TFeedItem {
  std::string Title;
  std::string Link;
  std::string Description;
  bool operator==(const TFeedItem&) const = default;
};

// The lines, each followed by CR LF, parsed as XML in the encoding that the text declares (UTF-8 when
// it declares none). None when the text is not well-formed XML. Nothing is fetched from the network.
TFeedDocumentPtr ParseFeed(const std::vector<std::string>& lines);

// The items of the feed. An Atom feed (a "feed" element of the Atom namespace) gives one item per
// "entry", with links resolved against `documentUrl`, the address the feed came from; see atom_feed.h.
// Any other document is read as RSS: the channel is the root element's first child element (whitespace
// and comments between the elements do not count); the first item is the channel's first child element
// named "item", and every element after it, whatever its name, is an item too. No items when the
// channel holds no "item" (an RSS 1.0 feed keeps its items beside the channel). None when the root
// element has no child element: the feed cannot be shown.
std::optional<std::vector<TFeedItem>> FeedItems(const TFeedDocument& feed, std::string_view documentUrl = {});

// The parsed feed written out again as XML text in UTF-8, cut into lines: what a script receives.
std::vector<std::string> FeedText(const TFeedDocument& feed);

}  // namespace varnelo::search
