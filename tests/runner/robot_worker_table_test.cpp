#include "runner/robot_worker_table.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "base/worker.h"

namespace varnelo::runner {
namespace {

using namespace std::chrono_literals;

class TWaitingWorker : public base::TWorker {
public:
  using base::TWorker::TWorker;

protected:
  void Execute() override {
    while (!Terminated()) std::this_thread::sleep_for(1ms);
  }
};

base::TWorker* StartWaiting(base::TMainQueue& queue, bool& ended) {
  auto worker = std::make_unique<TWaitingWorker>(queue);
  worker->SetOnTerminate([&ended](base::TWorker&) { ended = true; });
  return base::TWorker::Start(std::move(worker));
}

TEST(RobotWorkerTableTest, TracksLiveWorkersPerRobot) {
  base::TMainQueue queue;
  TRobotWorkerTable table;
  table.Reset(2);
  EXPECT_EQ(table.Size(), 2u);
  EXPECT_FALSE(table.Running(0));
  EXPECT_FALSE(table.Running(5));
  EXPECT_FALSE(table.Running(-1));

  bool firstEnded = false, secondEnded = false;
  base::TWorker* a = StartWaiting(queue, firstEnded);
  base::TWorker* b = StartWaiting(queue, secondEnded);
  table.Add(1, a);
  table.Add(4, b);  // a robot created after start-up grows the table
  EXPECT_EQ(table.Size(), 5u);
  EXPECT_TRUE(table.Running(1));
  EXPECT_TRUE(table.Running(4));
  EXPECT_THROW(table.Add(-1, a), std::out_of_range);

  table.TerminateAll();
  EXPECT_TRUE(a->Terminated());
  EXPECT_TRUE(b->Terminated());
  table.Remove(1, a);
  table.Remove(4, b);
  EXPECT_FALSE(table.Running(1));
  queue.RunUntil([&] { return firstEnded && secondEnded; });
}

}  // namespace
}  // namespace varnelo::runner
