#pragma once

#include <atomic>
#include <chrono>

#include "network/request_gate.h"

namespace varnelo::network {

// What stops a transfer: the caller's flag (may be null) and the grace an answer already arriving is
// given once the flag is up. A caller whose flag is itself raised late (its own grace spent) asks for
// none, so that the two graces do not add up. A crawl that paces its requests also hands its gate here,
// since every transfer of the crawl already carries this.
struct TCancel {
  static constexpr std::chrono::milliseconds kDefaultGrace{500};

  // Implicit: a bare flag gets the default grace.
  TCancel(const std::atomic<bool>* flag = nullptr, std::chrono::milliseconds grace = kDefaultGrace,
          TRequestGate* gate = nullptr)
      : Flag(flag), Grace(grace), Gate(gate) {}

  const std::atomic<bool>* Flag;
  std::chrono::milliseconds Grace;
  TRequestGate* Gate;  // may be null: nothing holds the requests back
};

}  // namespace varnelo::network
