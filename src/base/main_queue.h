#pragma once

#include <condition_variable>
#include <chrono>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace varnelo::base {

// The calls that workers hand to the main thread. The front end runs them from its event loop (the GUI)
// or from RunUntil (the command line and the tests).
class TMainQueue {
public:
  using TCall = std::function<void()>;
  using TErrorHandler = std::function<void(const std::exception&)>;

  // The thread that constructs the queue is its main thread.
  TMainQueue();
  TMainQueue(const TMainQueue&) = delete;
  TMainQueue& operator=(const TMainQueue&) = delete;

  bool IsMainThread() const { return std::this_thread::get_id() == mainThread_; }

  // Queues `call` for the main thread; any thread may post.
  void Post(TCall call);
  // Runs `call` on the main thread and returns once it has run; on the main thread itself it runs at
  // once. An exception that the call raises is raised again here.
  void Synchronize(const TCall& call);

  // Main thread: runs the calls queued so far and those they queue; returns how many ran.
  size_t RunPending();
  // Main thread: like RunPending, but returns once `budget` has passed (after one call at least), so
  // that an event loop fed by busy workers still gets its turn; true when calls are left.
  bool RunPendingFor(std::chrono::steady_clock::duration budget);
  // Main thread: runs queued calls, waiting for more, until `done` holds.
  void RunUntil(const std::function<bool()>& done);
  // Main thread: waits up to `timeout` for a call, then runs what is queued.
  size_t WaitAndRunPending(std::chrono::milliseconds timeout);

  // Where the error of a posted call goes (the application's error dialog); without one it is dropped.
  void SetErrorHandler(TErrorHandler handler) { errorHandler_ = std::move(handler); }
  // Called, on the posting thread, each time a call is queued; the GUI uses it to wake its loop.
  void SetWakeUp(std::function<void()> wakeUp);

private:
  void RunOne(const TCall& call);

  const std::thread::id mainThread_;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<TCall> calls_;
  std::function<void()> wakeUp_;
  TErrorHandler errorHandler_;
};

}  // namespace varnelo::base
