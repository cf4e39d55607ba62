#include "base/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace varnelo::base {
namespace {

using namespace std::chrono_literals;

// Counts the live instances, to see when the runner's workers are destroyed.
std::atomic<int> liveWorkers{0};

class TProbeWorker : public TWorker {
public:
  enum class TMode { Return, WaitForTermination, Throw, HandOver };

  TProbeWorker(TMainQueue& queue, TMode mode) : TWorker(queue), mode_(mode) { ++liveWorkers; }
  ~TProbeWorker() override { --liveWorkers; }

  std::thread::id executedOn;
  int handedOver = 0;

protected:
  void Execute() override {
    executedOn = std::this_thread::get_id();
    switch (mode_) {
      case TMode::Return:
        break;
      case TMode::WaitForTermination:
        while (!Terminated()) std::this_thread::sleep_for(1ms);
        break;
      case TMode::Throw:
        throw std::runtime_error("worker failed");
      case TMode::HandOver:
        for (int i = 0; i < 5; ++i) Synchronize([this] { ++handedOver; });
        break;
    }
  }

private:
  TMode mode_;
};

struct TEnded {
  bool ran = false;
  std::thread::id thread;
  std::thread::id executedOn;
  int handedOver = 0;
  std::string error;
};

TWorker* StartProbe(TMainQueue& queue, TProbeWorker::TMode mode, TEnded& ended) {
  auto worker = std::make_unique<TProbeWorker>(queue, mode);
  worker->SetOnTerminate([&ended](TWorker& finished) {
    auto& probe = static_cast<TProbeWorker&>(finished);
    ended.ran = true;
    ended.thread = std::this_thread::get_id();
    ended.executedOn = probe.executedOn;
    ended.handedOver = probe.handedOver;
    if (auto error = finished.FatalException()) {
      try {
        std::rethrow_exception(error);
      } catch (const std::exception& e) {
        ended.error = e.what();
      }
    }
  });
  return TWorker::Start(std::move(worker));
}

TEST(WorkerTest, EndHandlerRunsOnTheMainThreadThenTheWorkerIsDestroyed) {
  TMainQueue queue;
  TEnded ended;
  StartProbe(queue, TProbeWorker::TMode::HandOver, ended);
  EXPECT_FALSE(ended.ran);  // never before the starting code has returned to the queue
  queue.RunUntil([&] { return ended.ran; });
  EXPECT_EQ(ended.thread, std::this_thread::get_id());
  EXPECT_NE(ended.executedOn, std::this_thread::get_id());
  EXPECT_EQ(ended.handedOver, 5);
  EXPECT_EQ(liveWorkers.load(), 0);
}

TEST(WorkerTest, TerminationRequestIsSeenByTheWorker) {
  TMainQueue queue;
  TEnded ended;
  TWorker* worker = StartProbe(queue, TProbeWorker::TMode::WaitForTermination, ended);
  EXPECT_EQ(queue.WaitAndRunPending(20ms), 0u);  // still waiting for its request
  EXPECT_FALSE(worker->Terminated());
  worker->Terminate();
  queue.RunUntil([&] { return ended.ran; });
  EXPECT_EQ(liveWorkers.load(), 0);
}

TEST(WorkerTest, AnErrorEndsTheWorkerAndReachesItsEndHandler) {
  TMainQueue queue;
  TEnded ended;
  StartProbe(queue, TProbeWorker::TMode::Throw, ended);
  queue.RunUntil([&] { return ended.ran; });
  EXPECT_EQ(ended.error, "worker failed");
  EXPECT_EQ(liveWorkers.load(), 0);
}

TEST(WorkerTest, AThreadThatCannotBeMadeDestroysTheWorkerAndReachesTheCaller) {
  TMainQueue queue;
  TEnded ended;
  auto worker = std::make_unique<TProbeWorker>(queue, TProbeWorker::TMode::Return);
  worker->SetOnTerminate([&ended](TWorker&) { ended.ran = true; });
  const auto refuse = [](std::function<void()>) -> std::thread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };
  EXPECT_THROW(TWorker::Start(std::move(worker), refuse), std::system_error);
  EXPECT_EQ(liveWorkers.load(), 0);
  EXPECT_EQ(queue.WaitAndRunPending(20ms), 0u);
  EXPECT_FALSE(ended.ran);
}

}  // namespace
}  // namespace varnelo::base
