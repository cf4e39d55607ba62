#pragma once

#include <atomic>

#include <QObject>

#include "base/main_queue.h"

namespace varnelo::gui {

// Runs the core's main queue from Qt's event loop: every post wakes the Qt thread, which runs the
// queued calls in slices so that a flood of hand-overs never starves the window.
class TQueuePump : public QObject {
  Q_OBJECT
public:
  explicit TQueuePump(base::TMainQueue& queue, QObject* parent = nullptr);
  ~TQueuePump() override;

private:
  void Schedule();
  void Run();

  base::TMainQueue& queue_;
  std::atomic<bool> scheduled_{false};
};

}  // namespace varnelo::gui
