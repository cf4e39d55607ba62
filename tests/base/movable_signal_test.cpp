#include "base/movable_signal.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace varnelo::base {
namespace {

// A model with a signal, moved and copied as dialog models are.
struct TModel {
  int value = 0;
  TMovableSignal<int> Changed;
};

TEST(MovableSignal, AMovedToObjectStartsWithoutTheSourcesListeners) {
  TModel source;
  std::vector<int> heard;
  const TConnection connection = source.Changed.Connect([&](int v) { heard.push_back(v); });
  TModel moved = std::move(source);
  moved.Changed(1);
  EXPECT_TRUE(heard.empty());
  EXPECT_EQ(moved.Changed.ListenerCount(), 0u);
  source.Changed(2);  // the listener chose this object, and stays with it
  EXPECT_EQ(heard, std::vector<int>{2});

  const TModel copy = moved;
  EXPECT_EQ(copy.Changed.ListenerCount(), 0u);
}

TEST(MovableSignal, AssignmentKeepsTheTargetsListeners) {
  TModel target;
  TModel other;
  std::vector<int> heard;
  const TConnection toTarget = target.Changed.Connect([&](int v) { heard.push_back(v); });
  const TConnection toOther = other.Changed.Connect([&](int v) { heard.push_back(-v); });
  target = other;
  target = std::move(other);
  target.Changed(3);
  EXPECT_EQ(heard, std::vector<int>{3});
  EXPECT_EQ(target.Changed.ListenerCount(), 1u);
}

TEST(MovableSignal, AConnectionOutlivingItsObjectDoesNothing) {
  std::optional<TModel> model(std::in_place);
  int calls = 0;
  TConnection connection = model->Changed.Connect([&](int) { ++calls; });
  std::vector<TModel> models;
  models.push_back(std::move(*model));
  model.reset();
  EXPECT_FALSE(connection.Connected());
  connection.Disconnect();
  models.front().Changed(1);
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace varnelo::base
