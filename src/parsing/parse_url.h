#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "network/cancel.h"
#include "parsing/crawl_lists.h"
#include "parsing/html_parser.h"
#include "parsing/tag_node.h"

namespace varnelo::parsing {

// The link extractor of one crawled page: parses the page, resolves every link of its link
// attributes (HEAD requests along the redirects), queues the new links that belong to the crawl and,
// for a backup, rewrites same-host links to the stored copies.
class TParseURL {
public:
  // Parses `page` at once. `lock` (may be null) guards `cache` and `found` when several workers share
  // them; a null `cache` or `found` makes the extractor use its own. `sites` is read only and must
  // outlive the extractor. `cancel` (may be null) is handed to the HEAD requests.
  TParseURL(std::mutex* lock, std::vector<std::string> acceptedTypes, std::string maxSize, bool followLinks,
            std::string_view page, bool keepLinks, TUrlCache* cache, TFoundList* found,
            const std::vector<std::string>& sites, network::TCancel cancel = {});
  TParseURL(const TParseURL&) = delete;
  TParseURL& operator=(const TParseURL&) = delete;

  void ExtractLinks(std::string_view pageUrl);

  // Decides on one new link and queues it in `Found` when it belongs to the crawl.
  bool AcceptLink(std::string_view host, const std::string& link, bool chainSuccess, std::string_view mimeType,
                  std::string_view finalUrl);

  THTMLParser Parser;
  TTagNodeList Nodes;
  bool Modified = false;
  // Of the last redirect walk made for a new link.
  std::string MimeType;
  std::int64_t ContentLength = 0;

  TFoundList& Found() { return *found_; }
  TUrlCache& Cache() { return *cache_; }

private:
  // Holds the crawl's lock when there is one.
  std::unique_lock<std::mutex> Guard() const;
  // Resolves and judges one link attribute; the new attribute item when it must be rewritten.
  std::optional<std::string> ProcessLink(const std::string& nodeBase, const std::string& pageHost,
                                         std::string_view name, std::string_view value);

  std::mutex* lock_;
  std::vector<std::string> acceptedTypes_;
  std::string maxSize_;
  // Handed over by the keyword search; what it should change in link acceptance is not settled, so
  // the in-site test does not use it.
  bool followLinks_;
  bool keepLinks_;
  std::unique_ptr<TUrlCache> ownCache_;
  std::unique_ptr<TFoundList> ownFound_;
  TUrlCache* cache_;
  TFoundList* found_;
  const std::vector<std::string>& sites_;
  network::TCancel cancel_;
};

// True when `finalUrl` lies inside the directory of a start URL of host `host`.
bool InSite(std::string_view host, std::string_view finalUrl, const std::vector<std::string>& sites);
// True when the type is HTML or accepted, and `limit` >= `contentLength`.
bool LinkAccepted(const std::vector<std::string>& acceptedTypes, std::string_view mimeType, std::int64_t limit,
                  std::int64_t contentLength);
bool TypeAccepted(const std::vector<std::string>& acceptedTypes, std::string_view mimeType);
// "10000M" is 10,000,000,000; "500k" 500,000; "12o" 12; not a number: 999,999,999.
std::int64_t SizeLimitBytes(std::string_view text);
// The text right-trimmed, with "/" added unless it ends with one.
std::string WithTrailingSlash(std::string_view text);

}  // namespace varnelo::parsing
