#include "parsing/crawl_lists.h"

#include <iterator>

#include "platform/word_collator.h"

namespace varnelo::parsing {

namespace {

// The collator keeps scratch buffers, so each thread that touches a crawl list has its own.
platform::TWordCollator& ThreadCollator() {
  thread_local platform::TWordCollator collator;
  return collator;
}

}  // namespace

bool TFoundList::TLess::operator()(const std::string& a, const std::string& b) const {
  return ThreadCollator().CompareIgnoringCase(a, b) < 0;
}

bool TFoundList::Add(std::string url) { return entries_.insert(std::move(url)).second; }

std::string TFoundList::TakeFirst() {
  auto node = entries_.extract(entries_.begin());
  return std::move(node.value());
}

std::vector<std::string> TFoundList::Items() const { return {entries_.begin(), entries_.end()}; }

const network::TUrlDesc* TUrlCache::Find(std::string_view url) const {
  const auto it = entries_.find(ThreadCollator().Folded(url));
  return it == entries_.end() ? nullptr : &it->second;
}

void TUrlCache::Append(std::vector<network::TUrlChainEntry> entries) {
  for (network::TUrlChainEntry& entry : entries) {
    // emplace keeps an entry already there: the first resolution of a URL is the one that counts.
    entries_.emplace(ThreadCollator().Folded(entry.Url), std::move(entry.Desc));
  }
}

}  // namespace varnelo::parsing
