#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

namespace varnelo::base {

// A flag that follows another one late: it is raised `delay` after `source` is first seen raised
// (looked at every 50 ms). Work under way when a stop comes can so be given a bounded time to finish,
// by polling this flag instead of the stop itself. `source` must outlive the object.
class TDelayedFlag {
public:
  TDelayedFlag(const std::atomic<bool>& source, std::chrono::milliseconds delay);
  TDelayedFlag(const TDelayedFlag&) = delete;
  TDelayedFlag& operator=(const TDelayedFlag&) = delete;

  const std::atomic<bool>& Flag() const { return raised_; }
  bool Raised() const { return raised_.load(); }

private:
  static constexpr std::chrono::milliseconds kLook{50};

  void Watch(const std::stop_token& stop, const std::atomic<bool>& source, std::chrono::milliseconds delay);

  std::atomic<bool> raised_{false};
  std::mutex mutex_;
  std::condition_variable_any wake_;  // only ever woken by the destructor's stop request
  std::jthread watcher_;              // last: stopped and joined before the members above go
};

}  // namespace varnelo::base
