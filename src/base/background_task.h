#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

#include "base/main_queue.h"
#include "base/thread_start.h"

namespace varnelo::base {

// Long file work that a window model starts: it runs on a thread of its own while the main queue
// goes on serving the window, and reports back through calls posted to the main queue. One piece of
// work at a time. Main thread only, except Post and Cancelled, which the work uses.
class TBackgroundTask {
public:
  using TFinished = std::function<void(std::exception_ptr error)>;

  explicit TBackgroundTask(TMainQueue& mainQueue, base::TThreadStart startThread = base::StartThread);
  // Asks the work to stop and waits for its thread; nothing it posted runs afterwards.
  ~TBackgroundTask();
  TBackgroundTask(const TBackgroundTask&) = delete;
  TBackgroundTask& operator=(const TBackgroundTask&) = delete;

  // Runs `work` on its own thread; once it has returned or thrown, `finished` runs on the main
  // thread with what it threw (null when nothing), after every call the work posted. Throws
  // std::logic_error while another piece of work is under way, and std::system_error when no thread
  // can be made.
  void Start(std::function<void()> work, TFinished finished);
  bool Busy() const { return busy_; }

  // Any thread: `call` runs on the main thread, unless the task is gone by then.
  void Post(TMainQueue::TCall call);
  // Whether the task is being destroyed; long work polls it and gives up.
  bool Cancelled() const { return shared_->cancelled.load(); }

private:
  // What the posted calls share with the task, so that they outlive it harmlessly.
  struct TShared {
    std::atomic<bool> cancelled{false};
    // Main thread only.
    bool alive = true;
  };

  TMainQueue& mainQueue_;
  base::TThreadStart startThread_;
  std::shared_ptr<TShared> shared_ = std::make_shared<TShared>();
  bool busy_ = false;
  std::thread thread_;
};

}  // namespace varnelo::base
