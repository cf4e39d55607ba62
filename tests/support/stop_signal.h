#pragma once

#include <chrono>

#include "platform/unique_fd.h"

namespace varnelo::test {

// A flag that wakes every wait on it at once: the loopback servers' threads wait on their sockets and
// on this, so that stopping a server never hangs on a client that has gone quiet.
class TStopSignal {
public:
  TStopSignal();

  void Raise();
  bool Raised() const;
  int Fd() const { return fd_.Get(); }

private:
  platform::TUniqueFd fd_;
};

enum class TWaitResult { Ready, TimedOut, Stopped };

// Waits until `fd` is ready for `events` (poll flags), `timeout` passes or `stop` is raised.
TWaitResult WaitReady(int fd, short events, std::chrono::milliseconds timeout, const TStopSignal& stop);

// Sleeps for `duration`; false when `stop` was raised meanwhile.
bool SleepUnlessStopped(std::chrono::milliseconds duration, const TStopSignal& stop);

}  // namespace varnelo::test
