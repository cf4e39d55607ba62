#pragma once

#include <signal.h>

namespace varnelo::cli {

// SIGINT and SIGTERM as the stop command of a run. They are blocked while an object of this class
// lives, so that they never interrupt a worker's transfer: the threads created meanwhile inherit the
// blocked mask, and the main thread takes the signals when it looks for them. Construct it before any
// other thread exists; at its end the signals that were not taken are dropped and the former mask
// comes back.
class TStopSignals {
public:
  TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;
  ~TStopSignals();

  // Takes the stop signals that came since the last call, without waiting; true when there was one.
  bool Take();

private:
  sigset_t stopSet_{};
  sigset_t formerMask_{};
};

}  // namespace varnelo::cli
