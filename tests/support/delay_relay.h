#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "support/loopback_listener.h"

namespace varnelo::test {

// A TCP relay on 127.0.0.1 in front of a loopback server that behaves like a distant link: a new
// connection waits one round trip before its first byte goes on (the TCP handshake), and every
// stretch of data arrives half a round trip after it was sent, in each direction. An optional
// bandwidth limit paces each direction on top of the delay.
class TDelayRelay {
public:
  struct TOptions {
    std::chrono::milliseconds roundTrip{50};
    std::int64_t bytesPerSecond = 0;  // per direction; 0 for no limit
  };

  TDelayRelay(int targetPort, TOptions options);

  int Port() const { return listener_.Port(); }
  // "127.0.0.1:<port>", as it stands in a URL.
  std::string Authority() const { return listener_.Authority(); }
  // How many connections were relayed so far.
  int Connections() const { return connections_; }

private:
  void Serve(platform::TUniqueFd client, const TStopSignal& stop);

  int targetPort_;
  TOptions options_;
  std::atomic<int> connections_{0};
  TLoopbackListener listener_;  // last: its threads stop before the rest goes
};

}  // namespace varnelo::test
