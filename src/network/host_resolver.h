#pragma once

#include <sys/socket.h>

#include <atomic>
#include <string>
#include <vector>

#include "network/io_status.h"

namespace varnelo::network {

struct TResolvedAddress {
  sockaddr_storage Address{};
  socklen_t Length = 0;
  int Family = 0;
};

// The addresses of `host` (a name, or a numeric IPv4 or IPv6 address) with the numeric `port` ("" for
// none), in the resolver's order. Numeric hosts are converted at once; a name is looked up on a thread
// of its own so that the deadline and `cancel` are honoured even when the lookup hangs (the lookup is
// then abandoned and ends on its own). Failed when the name does not resolve or the port is not a
// number.
TIoStatus ResolveHost(const std::string& host, const std::string& port, int socketType, TDeadline deadline,
                      const std::atomic<bool>* cancel, std::vector<TResolvedAddress>& addresses);

}  // namespace varnelo::network
