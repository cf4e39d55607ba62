#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "support/loopback_listener.h"
#include "support/recorded_request.h"

namespace varnelo::test {

// A minimal HTTP proxy on 127.0.0.1 that reaches loopback targets only. It records every request
// head it receives as it came, forwards a plain request (absolute-form target) to its target in
// origin form without the Proxy-Authorization line and relays the answer, and tunnels CONNECT.
class TForwardingProxy {
public:
  TForwardingProxy();

  std::vector<TRecordedRequest> Requests() const;
  int Port() const { return listener_.Port(); }

private:
  void Serve(platform::TUniqueFd socket, const TStopSignal& stop);

  mutable std::mutex mutex_;
  std::vector<TRecordedRequest> requests_;
  TLoopbackListener listener_;
};

}  // namespace varnelo::test
