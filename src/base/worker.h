#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

#include "base/main_queue.h"
#include "base/thread_start.h"

namespace varnelo::base {

// A worker thread. Started with Start, it owns itself: when Execute returns, its end handler is queued
// on the main thread, runs there, and then the worker is destroyed. So no worker is freed while one of
// its hand-overs is pending, and no end handler runs before the main-thread code that started it has
// returned.
class TWorker {
public:
  using TEndHandler = std::function<void(TWorker&)>;

  explicit TWorker(TMainQueue& mainQueue);
  TWorker(const TWorker&) = delete;
  TWorker& operator=(const TWorker&) = delete;
  virtual ~TWorker();

  // Main thread: starts the worker's thread and gives up ownership; the pointer stays valid until the
  // end handler has returned. When the thread cannot be made, the worker is destroyed and the
  // std::system_error passes on.
  static TWorker* Start(std::unique_ptr<TWorker> worker,
                        const base::TThreadStart& startThread = base::StartThread);

  // Set before Start; runs on the main thread once Execute has returned.
  void SetOnTerminate(TEndHandler handler) { onTerminate_ = std::move(handler); }
  // Set before Start; runs on the main thread each time the worker reports finished pages or words.
  // It must not use the worker, which may be gone by then.
  void SetOnItemsDone(std::function<void(size_t items)> handler) { onItemsDone_ = std::move(handler); }

  // The termination request, polled by the workers that honour it.
  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }
  // The same request as a flag that operations of the worker poll while they wait.
  const std::atomic<bool>& TerminatedFlag() const { return terminated_; }

  // The error that ended Execute, if any.
  std::exception_ptr FatalException() const { return fatalException_; }

protected:
  virtual void Execute() = 0;
  // Runs `call` on the main thread and waits for it.
  void Synchronize(const TMainQueue::TCall& call) { mainQueue_.Synchronize(call); }
  TMainQueue& MainQueue() { return mainQueue_; }
  // Any thread of the worker: `items` more pages or words are done. Never waits for the main thread.
  void ReportItemsDone(size_t items = 1) {
    if (onItemsDone_) mainQueue_.Post([handler = onItemsDone_, items] { handler(items); });
  }

private:
  void Run();
  void Finish();

  TMainQueue& mainQueue_;
  std::atomic<bool> terminated_{false};
  std::exception_ptr fatalException_;
  TEndHandler onTerminate_;
  std::function<void(size_t)> onItemsDone_;
  std::thread thread_;
};

}  // namespace varnelo::base
