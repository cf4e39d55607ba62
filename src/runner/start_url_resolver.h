#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/worker.h"
#include "network/request_gate.h"

namespace varnelo::runner {

// The URL written back from its parsed parts, its path without dot segments; none when it does not
// parse (or is empty).
std::optional<std::string> CanonicalStartUrl(const std::string& text);

// The HEAD requests that turn a keyword search robot's start lines into the URLs its crawl begins
// with: one per line, in order, on a thread of their own, since a slow site would otherwise freeze
// the window for the whole transfer. It counts as one of the robot's live workers meanwhile, so a
// stop or the shutdown reaches it and is waited for.
class TStartUrlResolver : public base::TWorker {
public:
  // `gate` (may be null) is the crawl's, which these requests pass like all the others.
  TStartUrlResolver(base::TMainQueue& mainQueue, std::vector<std::string> lines,
                    std::shared_ptr<network::TRequestGate> gate = nullptr);

  // Once ended: the resolved URLs, one for each line; none when a line gave no usable URL, when the
  // termination request came first, or when a request failed with an error.
  const std::optional<std::vector<std::string>>& Resolved() const { return resolved_; }

protected:
  void Execute() override;

private:
  std::vector<std::string> lines_;
  std::shared_ptr<network::TRequestGate> gate_;
  std::optional<std::vector<std::string>> resolved_;
};

}  // namespace varnelo::runner
