#pragma once

#include <chrono>
#include <functional>

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace varnelo::test {

// Runs the Qt event loop until `done` holds or `timeout` passes; whether it holds.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  QDeadlineTimer deadline(timeout);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace varnelo::test
