#pragma once

#include <atomic>
#include <string_view>

namespace varnelo::network {

// What a crawl puts in front of each of its requests: it may hold a request back (so that a host is not
// asked too often) or refuse it outright (the host does not want it asked).
class TRequestGate {
public:
  virtual ~TRequestGate() = default;

  // Called before a request to `url` goes out, on the requesting thread. True lets it go; false means
  // it must not be sent, either because it is refused or because `stop` (may be null) came up first.
  virtual bool Admit(std::string_view url, const std::atomic<bool>* stop) = 0;
};

}  // namespace varnelo::network
