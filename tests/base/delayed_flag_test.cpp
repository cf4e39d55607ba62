#include "base/delayed_flag.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace varnelo::base {
namespace {

using namespace std::chrono_literals;

bool AwaitRaised(const TDelayedFlag& flag) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!flag.Raised()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

TEST(DelayedFlagTest, FollowsItsSourceOnceTheDelayHasPassed) {
  std::atomic<bool> source{false};
  TDelayedFlag flag(source, 20ms);
  std::this_thread::sleep_for(200ms);
  EXPECT_FALSE(flag.Raised());  // the source is still down
  source = true;
  EXPECT_TRUE(AwaitRaised(flag));
}

TEST(DelayedFlagTest, GoesAwayAtOnceWhileWaitingForItsSourceOrItsDelay) {
  // Were the destructor to wait for the watcher's delay, this test would take an hour.
  std::atomic<bool> source{false};
  { const TDelayedFlag idle(source, 1h); }
  source = true;
  const TDelayedFlag late(source, 1h);
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(late.Raised());
}

}  // namespace
}  // namespace varnelo::base
