#include "base/list_change.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace varnelo::base {
namespace {

struct TDifferenceCase {
  const char* label;
  std::vector<std::string> before;
  std::vector<std::string> after;
  std::optional<TListChange> change;
};

const TDifferenceCase kDifferenceCases[] = {
    {"Equal", {"a", "b"}, {"a", "b"}, std::nullopt},
    {"BothEmpty", {}, {}, std::nullopt},
    {"AppendedRows", {"a"}, {"a", "b", "c"}, TListChange::Inserted(1, 2)},
    {"FirstRowsOfAnEmptyList", {}, {"a", "b"}, TListChange::Inserted(0, 2)},
    {"InsertedInTheMiddle", {"a", "c"}, {"a", "b", "c"}, TListChange::Inserted(1)},
    // An inserted row equal to its neighbour: the range still counts the new rows only.
    {"InsertedBesideAnEqualRow", {"a", "a"}, {"a", "a", "a"}, TListChange::Inserted(2)},
    {"RemovedFirst", {"a", "b", "c"}, {"b", "c"}, TListChange::Removed(0)},
    {"RemovedAll", {"a", "b"}, {}, TListChange::Removed(0, 2)},
    {"RemovedInTheMiddle", {"a", "b", "c", "d"}, {"a", "d"}, TListChange::Removed(1, 2)},
    {"OneRowChanged", {"a", "b", "c"}, {"a", "x", "c"}, TListChange::Changed(1)},
    {"RowsFarApartChanged", {"a", "b", "c", "d"}, {"x", "b", "c", "y"}, TListChange::Changed(0, 4)},
    {"InsertedAndRemovedElsewhere", {"a", "b", "c"}, {"x", "a", "c", "d"}, TListChange::Reset()},
};

class ListDifferenceTest : public ::testing::TestWithParam<TDifferenceCase> {};

TEST_P(ListDifferenceTest, NamesTheRowsThatDiffer) {
  EXPECT_EQ(ListDifference(GetParam().before, GetParam().after), GetParam().change);
}

INSTANTIATE_TEST_SUITE_P(Lists, ListDifferenceTest, ::testing::ValuesIn(kDifferenceCases),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace varnelo::base
