#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "network/http_operations.h"

namespace varnelo::parsing {

// `Found`: the links a crawl still has to visit, sorted without regard to case (the word collator of
// the platform), an entry equal to one already held being ignored. Not locked itself: the crawl's
// `Lock` guards it.
class TFoundList {
public:
  // False when an equal entry is held already.
  bool Add(std::string url);
  bool Empty() const { return entries_.empty(); }
  size_t Count() const { return entries_.size(); }
  // Removes and returns the first entry; the list must not be empty.
  std::string TakeFirst();
  // The entries in order.
  std::vector<std::string> Items() const;

private:
  struct TLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::set<std::string, TLess> entries_;
};

// `Cache`: every URL resolved in a crawl with its descriptor. Look-ups ignore case; of two entries
// equal without regard to case the first one stays. Not locked itself: the crawl's `Lock` guards it.
class TUrlCache {
public:
  const network::TUrlDesc* Find(std::string_view url) const;
  void Append(std::vector<network::TUrlChainEntry> entries);
  size_t Count() const { return entries_.size(); }

private:
  std::map<std::u16string, network::TUrlDesc> entries_;
};

}  // namespace varnelo::parsing
