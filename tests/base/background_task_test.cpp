#include "base/background_task.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/thread_gate.h"

namespace varnelo::base {
namespace {

using ::testing::ElementsAre;

TEST(BackgroundTaskTest, TheWorkCallsThenItsEndRunOnTheMainThreadInOrder) {
  TMainQueue queue;
  test::TThreadGate gate;
  TBackgroundTask task(queue, gate.ThreadStart());
  const test::TThreadGate::TOpenOnExit openOnExit{gate};
  std::vector<std::string> calls;
  std::exception_ptr ended;
  bool finished = false;
  task.Start(
      [&] {
        task.Post([&] { calls.push_back(queue.IsMainThread() ? "first" : "first, off the main thread"); });
        task.Post([&] { calls.push_back("second"); });
        throw std::runtime_error("disk full");
      },
      [&](std::exception_ptr error) {
        calls.push_back(task.Busy() ? "end while busy" : "end");
        ended = error;
        finished = true;
      });
  EXPECT_TRUE(task.Busy());
  EXPECT_THROW(task.Start([] {}, [](std::exception_ptr) {}), std::logic_error);
  queue.Post([&] { calls.push_back("other"); });
  queue.RunPending();
  gate.Open();
  queue.RunUntil([&] { return finished; });
  EXPECT_THAT(calls, ElementsAre("other", "first", "second", "end"));
  ASSERT_TRUE(ended);
  EXPECT_THROW(std::rethrow_exception(ended), std::runtime_error);

  // Once over, the task takes the next piece of work.
  finished = false;
  task.Start([] {}, [&](std::exception_ptr error) { finished = !error; });
  queue.RunUntil([&] { return finished; });
}

TEST(BackgroundTaskTest, DestroyedWhileTheWorkRunsItStopsItAndNothingOfItRunsAfter) {
  TMainQueue queue;
  bool called = false;
  {
    TBackgroundTask task(queue);
    std::promise<void> posted;
    task.Start(
        [&] {
          task.Post([&] { called = true; });
          posted.set_value();
          while (!task.Cancelled()) std::this_thread::yield();
        },
        [&](std::exception_ptr) { called = true; });
    posted.get_future().wait();
  }
  EXPECT_GT(queue.RunPending(), 0u);
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace varnelo::base
