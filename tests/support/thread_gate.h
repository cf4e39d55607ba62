#pragma once

#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "base/thread_start.h"

namespace varnelo::test {

// A thread start whose threads wait until the test opens the gate, so that the test sees the main
// queue at work while the thread's work is pending.
class TThreadGate {
public:
  void Open() {
    if (!opened_) promise_->set_value();
    opened_ = true;
  }
  base::TThreadStart ThreadStart() const {
    return [opened = future_](std::function<void()> body) {
      return std::thread([opened, body = std::move(body)] {
        opened.wait();
        body();
      });
    };
  }

  // Opens the gate when it goes, so that whoever waits for the thread after a failed assertion does
  // not wait for ever: declare it after the owner of the thread.
  struct TOpenOnExit {
    TThreadGate& gate;
    ~TOpenOnExit() { gate.Open(); }
  };

private:
  std::shared_ptr<std::promise<void>> promise_ = std::make_shared<std::promise<void>>();
  std::shared_future<void> future_ = promise_->get_future().share();
  bool opened_ = false;
};

}  // namespace varnelo::test
