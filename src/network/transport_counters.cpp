#include "network/transport_counters.h"

namespace varnelo::network {

TTransportCounters& TransportCounters() {
  static TTransportCounters counters;
  return counters;
}

}  // namespace varnelo::network
