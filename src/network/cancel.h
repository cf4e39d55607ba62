#pragma once

#include <atomic>
#include <chrono>

namespace varnelo::network {

// What stops a transfer: the caller's flag (may be null) and the grace an answer already arriving is
// given once the flag is up. A caller whose flag is itself raised late (its own grace spent) asks for
// none, so that the two graces do not add up.
struct TCancel {
  static constexpr std::chrono::milliseconds kDefaultGrace{500};

  // Implicit: a bare flag gets the default grace.
  TCancel(const std::atomic<bool>* flag = nullptr, std::chrono::milliseconds grace = kDefaultGrace)
      : Flag(flag), Grace(grace) {}

  const std::atomic<bool>* Flag;
  std::chrono::milliseconds Grace;
};

}  // namespace varnelo::network
