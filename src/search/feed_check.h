#pragma once

#include <string>
#include <vector>

#include "search/rss_feed.h"

namespace varnelo::search {

// Why the answer of a feed engine is no feed at all, in a few words for the log: an empty body, a body
// that is not XML, or XML whose root is neither RSS ("rss", "rdf:RDF") nor Atom. Empty when it is RSS
// or Atom, even cut short or without items: those only give no rows, as they always did. `feed` is
// what ParseFeed made of `lines`.
std::string NotAFeedReason(const std::vector<std::string>& lines, const TFeedDocument* feed);

}  // namespace varnelo::search
