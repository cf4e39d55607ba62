#pragma once

#include <cstdint>

#include "network/io_status.h"

namespace varnelo::network {

// The minimum rate of a body, as curl's --speed-limit and --speed-time: when fewer than
// `bytesPerSecond` per second arrived over a whole stretch of `windowMs`, the transfer is too slow.
// A server that trickles a byte now and then thus cannot hold a worker for ever.
class TTransferRate {
public:
  TTransferRate(std::int64_t bytesPerSecond, int windowMs);

  // The deadline of the next read: `readDeadline`, or the end of the current stretch when that comes
  // first (a silent server is then judged at the stretch's end).
  TDeadline NextDeadline(TDeadline readDeadline) const;

  // Counts `bytes` that arrived (0 after a read that timed out). False once a whole stretch ended
  // below the rate.
  bool Arrived(std::int64_t bytes);

private:
  void CloseStretches();

  std::int64_t bytesPerSecond_;
  int windowMs_;
  TDeadline stretchEnd_;
  std::int64_t stretchBytes_ = 0;
  bool tooSlow_ = false;
};

}  // namespace varnelo::network
