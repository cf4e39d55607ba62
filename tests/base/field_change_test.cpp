#include "base/field_change.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "support/change_recorder.h"

namespace varnelo::base {
namespace {

// A small model in the shape of the dialog models: fields, a list, and operations under a watch.
class TModel {
public:
  enum class TField { Name, Rows, Flag };
  TChangeSignal<TField> Changed;

  std::string name;
  std::vector<std::string> rows;
  bool flag = false;

  // Defined first: the operations below need its deduced type.
  auto Watch() {
    return Changed.Watch([this] {
      return std::make_tuple(Field(TField::Name, name), Field(TField::Rows, rows), Field(TField::Flag, flag));
    });
  }

  void SetName(std::string value) {
    const auto watch = Watch();
    name = std::move(value);
  }
  void Append(std::string row) {
    const auto watch = Watch();
    rows.push_back(std::move(row));
  }
  // Sets the flag, then runs another operation inside this one.
  void FlagAndRename(std::string value) {
    const auto watch = Watch();
    flag = true;
    SetName(std::move(value));
  }
  void ToggleTwice() {
    const auto watch = Watch();
    flag = !flag;
    flag = !flag;
  }
  void FailAfterRenaming() {
    const auto watch = Watch();
    name = "half";
    throw std::runtime_error("failed");
  }
};
using TField = TModel::TField;
using TChange = TFieldChange<TField>;

TEST(FieldChange, AnOperationRaisesWhatItChangedAndNothingElse) {
  TModel model;
  test::TChangeRecorder<TField> recorder(model.Changed);
  model.SetName("a");
  model.Append("x");
  EXPECT_EQ(recorder.Take(),
            (std::vector<TChange>{{TField::Name, std::nullopt}, {TField::Rows, TListChange::Inserted(0)}}));
  model.SetName("a");
  model.ToggleTwice();
  EXPECT_TRUE(recorder.changes.empty());
}

TEST(FieldChange, ANestedOperationIsToldOnceWhenTheOuterOneEnds) {
  TModel model;
  std::vector<std::string> namesSeen;
  test::TChangeRecorder<TField> recorder(model.Changed);
  const TConnection reader = model.Changed.Connect([&](const TChange&) { namesSeen.push_back(model.name); });
  model.FlagAndRename("b");
  // Snapshot order, and the listener sees the operation finished.
  EXPECT_EQ(recorder.Fields(), (std::vector<TField>{TField::Name, TField::Flag}));
  EXPECT_EQ(namesSeen, (std::vector<std::string>{"b", "b"}));
}

TEST(FieldChange, AFailedOperationStillTellsWhatItChanged) {
  TModel model;
  test::TChangeRecorder<TField> recorder(model.Changed);
  EXPECT_THROW(model.FailAfterRenaming(), std::runtime_error);
  EXPECT_EQ(recorder.Fields(), std::vector<TField>{TField::Name});
  model.SetName("c");  // the failed watch left nothing behind
  EXPECT_EQ(recorder.Fields(), (std::vector<TField>{TField::Name, TField::Name}));
}

}  // namespace
}  // namespace varnelo::base
