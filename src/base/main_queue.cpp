#include "base/main_queue.h"

#include <future>
#include <stdexcept>

namespace varnelo::base {

TMainQueue::TMainQueue() : mainThread_(std::this_thread::get_id()) {}

void TMainQueue::SetWakeUp(std::function<void()> wakeUp) {
  std::lock_guard lock(mutex_);
  wakeUp_ = std::move(wakeUp);
}

void TMainQueue::Post(TCall call) {
  std::function<void()> wakeUp;
  {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
    wakeUp = wakeUp_;
  }
  posted_.notify_one();
  if (wakeUp) wakeUp();
}

void TMainQueue::Synchronize(const TCall& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  std::promise<void> done;
  auto ran = done.get_future();
  Post([&call, &done] {
    try {
      call();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  ran.get();
}

void TMainQueue::RunOne(const TCall& call) {
  try {
    call();
  } catch (const std::exception& error) {
    if (errorHandler_) errorHandler_(error);
  } catch (...) {
    if (errorHandler_) errorHandler_(std::runtime_error("unknown error"));
  }
}

size_t TMainQueue::RunPending() {
  size_t ran = 0;
  for (;;) {
    TCall call;
    {
      std::lock_guard lock(mutex_);
      if (calls_.empty()) return ran;
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    RunOne(call);
    ++ran;
  }
}

bool TMainQueue::RunPendingFor(std::chrono::steady_clock::duration budget) {
  const auto deadline = std::chrono::steady_clock::now() + budget;
  for (bool first = true;; first = false) {
    TCall call;
    {
      std::lock_guard lock(mutex_);
      if (calls_.empty()) return false;
      if (!first && std::chrono::steady_clock::now() >= deadline) return true;
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    RunOne(call);
  }
}

size_t TMainQueue::WaitAndRunPending(std::chrono::milliseconds timeout) {
  {
    std::unique_lock lock(mutex_);
    posted_.wait_for(lock, timeout, [this] { return !calls_.empty(); });
  }
  return RunPending();
}

void TMainQueue::RunUntil(const std::function<bool()>& done) {
  // The timed wait keeps `done` checked even when what it tests changes without a call being posted.
  constexpr std::chrono::milliseconds kRecheck(50);
  RunPending();
  while (!done()) WaitAndRunPending(kRecheck);
}

}  // namespace varnelo::base
