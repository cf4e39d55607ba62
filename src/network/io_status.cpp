#include "network/io_status.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace varnelo::network {

namespace {
// The longest stretch between two looks at the cancellation flag.
constexpr int kCancelSliceMs = 100;
}  // namespace

TDeadline DeadlineIn(int milliseconds) { return TClock::now() + std::chrono::milliseconds(std::max(milliseconds, 0)); }

TIoStatus WaitReady(int fd, short events, TDeadline deadline, const std::atomic<bool>* cancel) {
  while (true) {
    if (CancelRequested(cancel)) return TIoStatus::Cancelled;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now()).count();
    if (left <= 0) {
      // One last look without waiting: data that is already there is not a time-out.
      pollfd entry{fd, events, 0};
      return ::poll(&entry, 1, 0) > 0 ? TIoStatus::Ok : TIoStatus::TimedOut;
    }
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, int(std::min<long long>(left, kCancelSliceMs)));
    if (ready > 0) return TIoStatus::Ok;
    if (ready < 0 && errno != EINTR) return TIoStatus::Failed;
  }
}

}  // namespace varnelo::network
