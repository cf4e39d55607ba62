#include "support/stop_signal.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace varnelo::test {

TStopSignal::TStopSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (!fd_.Valid()) throw std::system_error(errno, std::generic_category(), "eventfd");
}

void TStopSignal::Raise() {
  const std::uint64_t one = 1;
  // The counter only has to become non-zero; a failed write means it already is.
  [[maybe_unused]] const ssize_t written = ::write(fd_.Get(), &one, sizeof one);
}

bool TStopSignal::Raised() const {
  pollfd item{fd_.Get(), POLLIN, 0};
  return ::poll(&item, 1, 0) > 0;
}

TWaitResult WaitReady(int fd, short events, std::chrono::milliseconds timeout, const TStopSignal& stop) {
  pollfd items[2] = {{stop.Fd(), POLLIN, 0}, {fd, events, 0}};
  const nfds_t count = fd >= 0 ? 2 : 1;
  for (;;) {
    const int ready = ::poll(items, count, static_cast<int>(timeout.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) throw std::system_error(errno, std::generic_category(), "poll");
    if (ready == 0) return TWaitResult::TimedOut;
    if (items[0].revents != 0) return TWaitResult::Stopped;
    return TWaitResult::Ready;
  }
}

bool SleepUnlessStopped(std::chrono::milliseconds duration, const TStopSignal& stop) {
  return WaitReady(-1, 0, duration, stop) != TWaitResult::Stopped;
}

}  // namespace varnelo::test
