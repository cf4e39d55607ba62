#pragma once

#include <atomic>
#include <chrono>

namespace varnelo::network {

// How one step of the transport ended.
enum class TIoStatus {
  Ok,
  Closed,     // the peer closed the connection (end of stream)
  TimedOut,   // the deadline passed
  Cancelled,  // the cancellation flag was set
  TooLong,    // a line exceeded the limit it was read with
  Failed,     // any other error (refused, unreachable, reset, TLS failure, lookup failure, guard)
};

using TClock = std::chrono::steady_clock;
using TDeadline = TClock::time_point;

// The deadline `milliseconds` from now (a negative value counts as 0).
TDeadline DeadlineIn(int milliseconds);

// True when `cancel` is set (a null flag never is).
inline bool CancelRequested(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(); }

// Waits until `fd` is ready for `events` (POLLIN or POLLOUT), the deadline passes or `cancel` is set;
// `cancel` is looked at every 100 ms at the latest. Ok also when the socket reports an error or a hang-up
// (the following call on it says which).
TIoStatus WaitReady(int fd, short events, TDeadline deadline, const std::atomic<bool>* cancel);

}  // namespace varnelo::network
