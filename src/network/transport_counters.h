#pragma once

#include <atomic>
#include <cstdint>

namespace varnelo::network {

// Process-wide tallies of what the transport did, for benchmarks and diagnostics: they show whether
// connections and TLS sessions were reused.
struct TTransportCounters {
  std::atomic<std::int64_t> ConnectionsOpened{0};
  std::atomic<std::int64_t> ConnectionsReused{0};  // requests sent on a connection taken from the pool
  std::atomic<std::int64_t> RequestsSent{0};
  std::atomic<std::int64_t> FullHandshakes{0};
  std::atomic<std::int64_t> ResumedHandshakes{0};
};

TTransportCounters& TransportCounters();

}  // namespace varnelo::network
