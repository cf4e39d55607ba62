#include "gui/base/queue_pump.h"

#include <chrono>

#include <QMetaObject>

namespace varnelo::gui {
namespace {

// Long enough to drain ordinary bursts in one go, short enough that input and painting stay smooth.
constexpr auto kSlice = std::chrono::milliseconds(15);

}  // namespace

TQueuePump::TQueuePump(base::TMainQueue& queue, QObject* parent) : QObject(parent), queue_(queue) {
  queue_.SetWakeUp([this] { Schedule(); });
  // Calls queued before the pump existed.
  Schedule();
}

TQueuePump::~TQueuePump() { queue_.SetWakeUp(nullptr); }

void TQueuePump::Schedule() {
  if (scheduled_.exchange(true)) return;
  QMetaObject::invokeMethod(this, [this] { Run(); }, Qt::QueuedConnection);
}

void TQueuePump::Run() {
  // Cleared first: a post made while the calls run schedules the next turn itself.
  scheduled_ = false;
  if (queue_.RunPendingFor(kSlice)) Schedule();
}

}  // namespace varnelo::gui
