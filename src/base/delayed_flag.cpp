#include "base/delayed_flag.h"

namespace varnelo::base {

TDelayedFlag::TDelayedFlag(const std::atomic<bool>& source, std::chrono::milliseconds delay)
    : watcher_([this, &source, delay](std::stop_token stop) { Watch(stop, source, delay); }) {}

void TDelayedFlag::Watch(const std::stop_token& stop, const std::atomic<bool>& source,
                         std::chrono::milliseconds delay) {
  const auto never = [] { return false; };
  std::unique_lock lock(mutex_);
  while (!source.load()) {
    wake_.wait_for(lock, stop, kLook, never);
    if (stop.stop_requested()) return;
  }
  wake_.wait_for(lock, stop, delay, never);
  if (!stop.stop_requested()) raised_.store(true);
}

}  // namespace varnelo::base
