#pragma once

#include <cstdint>
#include <cstdio>

#include "network/transport_counters.h"

namespace varnelo::test {

// What the transport did between two moments, for the benchmarks' figures.
struct TTransportTally {
  std::int64_t opened = 0;
  std::int64_t reused = 0;
  std::int64_t requests = 0;
  std::int64_t fullHandshakes = 0;
  std::int64_t resumedHandshakes = 0;

  static TTransportTally Now() {
    const network::TTransportCounters& counters = network::TransportCounters();
    return {counters.ConnectionsOpened, counters.ConnectionsReused, counters.RequestsSent, counters.FullHandshakes,
            counters.ResumedHandshakes};
  }

  TTransportTally Since(const TTransportTally& start) const {
    return {opened - start.opened, reused - start.reused, requests - start.requests,
            fullHandshakes - start.fullHandshakes, resumedHandshakes - start.resumedHandshakes};
  }

  void Print(const char* indent) const {
    std::printf("%s%lld connections opened, %lld requests sent (%lld on a kept connection), TLS handshakes %lld full "
                "%lld resumed\n",
                indent, (long long)opened, (long long)requests, (long long)reused, (long long)fullHandshakes,
                (long long)resumedHandshakes);
  }
};

}  // namespace varnelo::test
