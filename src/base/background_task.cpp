#include "base/background_task.h"

#include <stdexcept>
#include <utility>

namespace varnelo::base {

TBackgroundTask::TBackgroundTask(TMainQueue& mainQueue, base::TThreadStart startThread)
    : mainQueue_(mainQueue), startThread_(std::move(startThread)) {}

TBackgroundTask::~TBackgroundTask() {
  shared_->alive = false;
  shared_->cancelled = true;
  if (thread_.joinable()) thread_.join();
}

void TBackgroundTask::Post(TMainQueue::TCall call) {
  mainQueue_.Post([shared = shared_, call = std::move(call)] {
    if (shared->alive) call();
  });
}

void TBackgroundTask::Start(std::function<void()> work, TFinished finished) {
  if (busy_) throw std::logic_error("a background task is already under way");
  // The thread of the previous piece of work has posted its last call; it may not have returned
  // yet.
  if (thread_.joinable()) thread_.join();
  thread_ = startThread_([this, work = std::move(work), finished = std::move(finished)]() mutable {
    std::exception_ptr error;
    try {
      work();
    } catch (...) {
      error = std::current_exception();
    }
    // Posted last, so it runs after every call of the work; `this` lives while the call may run.
    Post([this, finished = std::move(finished), error] {
      busy_ = false;
      finished(error);
    });
  });
  busy_ = true;
}

}  // namespace varnelo::base
