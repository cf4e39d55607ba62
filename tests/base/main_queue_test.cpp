#include "base/main_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace varnelo::base {
namespace {

TEST(MainQueueTest, PostedCallsRunOnTheMainThreadInOrder) {
  TMainQueue queue;
  std::vector<int> order;
  std::vector<std::thread::id> threads;
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i) queue.Post([&, i] {
      order.push_back(i);
      threads.push_back(std::this_thread::get_id());
    });
  });
  poster.join();
  EXPECT_TRUE(order.empty());  // nothing runs before the main thread asks
  EXPECT_EQ(queue.RunPending(), 3u);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(MainQueueTest, SynchronizeWaitsForTheMainThread) {
  TMainQueue queue;
  std::atomic<bool> handedOver{false};
  int value = 0;
  std::thread worker([&] {
    queue.Synchronize([&] { value = 42; });
    handedOver = true;
  });
  queue.RunUntil([&] { return handedOver.load(); });
  worker.join();
  EXPECT_EQ(value, 42);
}

TEST(MainQueueTest, SynchronizeOnTheMainThreadRunsAtOnce) {
  TMainQueue queue;
  bool ran = false;
  queue.Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_EQ(queue.RunPending(), 0u);
}

TEST(MainQueueTest, SynchronizeRaisesTheCallsErrorInTheWorker) {
  TMainQueue queue;
  std::string caught;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    try {
      queue.Synchronize([] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error& error) {
      caught = error.what();
    }
    done = true;
  });
  queue.RunUntil([&] { return done.load(); });
  worker.join();
  EXPECT_EQ(caught, "boom");
}

TEST(MainQueueTest, ErrorsOfPostedCallsGoToTheHandlerAndTheQueueGoesOn) {
  TMainQueue queue;
  std::vector<std::string> errors;
  queue.SetErrorHandler([&](const std::exception& error) { errors.emplace_back(error.what()); });
  bool after = false;
  queue.Post([] { throw std::runtime_error("first"); });
  queue.Post([] { throw 7; });
  queue.Post([&] { after = true; });
  EXPECT_EQ(queue.RunPending(), 3u);
  EXPECT_EQ(errors, (std::vector<std::string>{"first", "unknown error"}));
  EXPECT_TRUE(after);
}

TEST(MainQueueTest, CallsQueuedByACallRunInTheSamePass) {
  TMainQueue queue;
  int depth = 0;
  queue.Post([&] {
    ++depth;
    queue.Post([&] { ++depth; });
  });
  EXPECT_EQ(queue.RunPending(), 2u);
  EXPECT_EQ(depth, 2);
}

TEST(MainQueueTest, WakeUpIsCalledForEveryPost) {
  TMainQueue queue;
  std::atomic<int> wakeUps{0};
  queue.SetWakeUp([&] { ++wakeUps; });
  std::thread poster([&] { queue.Post([] {}); });
  poster.join();
  queue.Post([] {});
  EXPECT_EQ(wakeUps.load(), 2);
}

TEST(MainQueueTest, ManyWorkersHandOverWithoutLoss) {
  TMainQueue queue;
  constexpr int kWorkers = 8;
  constexpr int kCalls = 200;
  int total = 0;  // touched on the main thread only
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&] {
      for (int i = 0; i < kCalls; ++i) queue.Synchronize([&] { ++total; });
      ++finished;
    });
  }
  queue.RunUntil([&] { return finished.load() == kWorkers; });
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(total, kWorkers * kCalls);
}

TEST(MainQueueTest, RunPendingForLeavesWhatItHadNoTimeFor) {
  TMainQueue queue;
  std::vector<int> ran;
  for (int i = 0; i < 3; ++i) queue.Post([&ran, i] { ran.push_back(i); });
  // No time at all still runs one call; the others stay queued in their order.
  EXPECT_TRUE(queue.RunPendingFor(std::chrono::steady_clock::duration::zero()));
  EXPECT_EQ(ran, (std::vector<int>{0}));
  EXPECT_FALSE(queue.RunPendingFor(std::chrono::seconds(10)));
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
  EXPECT_FALSE(queue.RunPendingFor(std::chrono::seconds(10)));
}

}  // namespace
}  // namespace varnelo::base
