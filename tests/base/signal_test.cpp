#include "base/signal.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace varnelo::base {
namespace {

TEST(Signal, EveryListenerHearsEachRaiseInConnectionOrder) {
  TSignal<const std::string&, int> signal;
  std::vector<std::string> heard;
  TConnection first = signal.Connect([&](const std::string& name, int n) { heard.push_back("a" + name + std::to_string(n)); });
  TConnection second = signal.Connect([&](const std::string& name, int n) { heard.push_back("b" + name + std::to_string(n)); });
  signal("x", 1);
  signal("y", 2);
  EXPECT_EQ(heard, (std::vector<std::string>{"ax1", "bx1", "ay2", "by2"}));
}

TEST(Signal, ConnectionEndsWithItsScopeOrOnDisconnect) {
  TSignal<> signal;
  int calls = 0;
  {
    TConnection scoped = signal.Connect([&] { ++calls; });
    signal();
  }
  signal();
  EXPECT_EQ(calls, 1);
  TConnection explicitOne = signal.Connect([&] { ++calls; });
  explicitOne.Disconnect();
  signal();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(signal.ListenerCount(), 0u);
}

TEST(Signal, MovedConnectionKeepsTheListenerOnce) {
  TSignal<> signal;
  int calls = 0;
  TConnection moved;
  {
    TConnection original = signal.Connect([&] { ++calls; });
    moved = std::move(original);
  }
  signal();
  EXPECT_EQ(calls, 1);
  moved = TConnection();
  signal();
  EXPECT_EQ(calls, 1);
}

TEST(Signal, ListenerDisconnectedDuringARaiseIsNotCalled) {
  TSignal<> signal;
  std::vector<char> heard;
  std::optional<TConnection> second;
  TConnection first = signal.Connect([&] {
    heard.push_back('a');
    second.reset();
  });
  second = signal.Connect([&] { heard.push_back('b'); });
  signal();
  EXPECT_EQ(heard, std::vector<char>{'a'});
}

TEST(Signal, ListenerConnectedDuringARaiseWaitsForTheNext) {
  TSignal<> signal;
  int late = 0;
  std::vector<TConnection> added;
  TConnection adder = signal.Connect([&] { added.push_back(signal.Connect([&] { ++late; })); });
  signal();
  EXPECT_EQ(late, 0);
  signal();
  EXPECT_EQ(late, 1);
}

TEST(Signal, ConnectionOutlivingItsSignalIsHarmless) {
  TConnection survivor;
  {
    TSignal<int> signal;
    survivor = signal.Connect([](int) {});
  }
  EXPECT_FALSE(survivor.Connected());
  survivor.Disconnect();
}

TEST(Signal, ConnectionsEndTogether) {
  TSignal<> a;
  TSignal<> b;
  int calls = 0;
  {
    TConnections group;
    group += a.Connect([&] { ++calls; });
    group += b.Connect([&] { ++calls; });
    a();
    b();
  }
  a();
  b();
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace varnelo::base
