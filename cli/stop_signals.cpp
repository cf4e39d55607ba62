#include "stop_signals.h"

#include <ctime>

namespace varnelo::cli {

TStopSignals::TStopSignals() {
  sigemptyset(&stopSet_);
  sigaddset(&stopSet_, SIGINT);
  sigaddset(&stopSet_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSet_, &formerMask_);
}

TStopSignals::~TStopSignals() {
  Take();
  pthread_sigmask(SIG_SETMASK, &formerMask_, nullptr);
}

bool TStopSignals::Take() {
  const timespec now{};
  bool taken = false;
  while (sigtimedwait(&stopSet_, nullptr, &now) > 0) taken = true;
  return taken;
}

}  // namespace varnelo::cli
