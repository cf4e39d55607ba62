#pragma once

#include <string_view>
#include <vector>

#include "search/rss_feed.h"

namespace varnelo::search {

// Whether the root element is an Atom "feed", or a lone Atom "entry" (an entry document).
bool IsAtomDocument(const TFeedDocument& feed);

// One item per "entry" of an Atom document, in document order; elements of other namespaces (media:,
// opensearch:, yt:...) are not looked at. The title is the entry's "title"; the link is the "href" of
// its first "link" whose "rel" is absent or "alternate", resolved against the "xml:base" of the link,
// the entry and their ancestors, and last against `documentUrl`; the description is the "summary", or
// else the "content". Texts are made plain and fit one row: "html" is decoded and loses its tags,
// "xhtml" gives the text of its div, and runs of white space become one space. Content that is neither
// text nor XML (base64, or out of line through "src") gives no description.
std::vector<TFeedItem> AtomEntries(const TFeedDocument& feed, std::string_view documentUrl);

}  // namespace varnelo::search
