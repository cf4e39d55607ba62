#include "runner/start_url_resolver.h"

#include <cstdint>
#include <utility>

#include "network/http_operations.h"
#include "url/url.h"

namespace varnelo::runner {

std::optional<std::string> CanonicalStartUrl(const std::string& text) {
  retrieval::url record;
  if (text.empty() || retrieval::ParseUrl(text, record) != retrieval::TUrlParseResult::NoError) return std::nullopt;
  retrieval::RemoveDotSegments(record.Path);
  return retrieval::ComposeUrl(record, retrieval::TUrlLevel::Full);
}

TStartUrlResolver::TStartUrlResolver(base::TMainQueue& mainQueue, std::vector<std::string> lines,
                                     std::shared_ptr<network::TRequestGate> gate)
    : base::TWorker(mainQueue), lines_(std::move(lines)), gate_(std::move(gate)) {}

void TStartUrlResolver::Execute() {
  for (std::string& line : lines_) {
    if (Terminated()) return;
    // A line the site does not answer cannot start a crawl: the start is abandoned, as for an
    // unparsable one, rather than crawling from the URL of the line before.
    std::string mimeType;
    std::int64_t contentLength = 0;
    std::string resolved;
    network::HttpHeadOnce(line, mimeType, contentLength, resolved,
                          network::TCancel(&TerminatedFlag(), network::TCancel::kDefaultGrace, gate_.get()));
    const std::optional<std::string> canonical = CanonicalStartUrl(resolved);
    if (!canonical) return;
    line = *canonical;
  }
  // A stop that came after the last answer still starts nothing.
  if (!Terminated()) resolved_ = std::move(lines_);
}

}  // namespace varnelo::runner
