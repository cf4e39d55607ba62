#include "runner/work_item_plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnelo::runner {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::vector<std::string> kList{"a", "b", "c", "d", "e", "f", "g"};

TEST(PlanResume, WithoutItemsNewRangesStartAtTheTop) {
  const TResumePlan plan = PlanResume(kList, {}, 3);
  EXPECT_THAT(plan.resumed, IsEmpty());
  EXPECT_EQ(plan.nextRangeStart, 0u);
}

TEST(PlanResume, InterruptedItemsResumeFromTheirCurrentEntryAndEveryItemBoundsTheNextRange) {
  const TResumePlan plan = PlanResume(kList,
                                      {{"k1", "a,b,b,processingdone"},
                                       {"k2", "c,e,D,not_processing"},  // letter case does not matter
                                       {"k3", "f,f,f,processing"}},
                                      3);
  ASSERT_EQ(plan.resumed.size(), 1u);
  EXPECT_EQ(plan.resumed[0].key, "k2");
  EXPECT_EQ(plan.resumed[0].first, "c");
  EXPECT_THAT(plan.resumed[0].entries, ElementsAre("d", "e"));
  EXPECT_EQ(plan.nextRangeStart, 6u);
}

TEST(PlanResume, StopsExaminingOnceEnoughItemsWereResumed) {
  const TResumePlan plan =
      PlanResume(kList, {{"k1", "a,b,a,not_processing"}, {"k2", "c,d,c,not_processing"}}, 1);
  ASSERT_EQ(plan.resumed.size(), 1u);
  EXPECT_EQ(plan.resumed[0].key, "k1");
  EXPECT_EQ(plan.nextRangeStart, 2u);
}

TEST(PlanResume, ItemsThatCannotBePlacedArePassedOver) {
  const TResumePlan plan = PlanResume(kList,
                                      {{"gone", "x,y,x,not_processing"},        // entries no longer listed
                                       {"commas", "a,b,c,d,not_processing"},    // fourth field is no state
                                       {"short", "a,b,a"},
                                       {"backwards", "a,b,c,not_processing"}},  // current after last
                                      3);
  EXPECT_THAT(plan.resumed, IsEmpty());
  EXPECT_EQ(plan.nextRangeStart, 2u);  // only the last one could be placed
}

TEST(TakeRange, CutsAtTheEndOfTheList) {
  EXPECT_THAT(TakeRange(kList, 0, 3), ElementsAre("a", "b", "c"));
  EXPECT_THAT(TakeRange(kList, 5, 3), ElementsAre("f", "g"));
  EXPECT_THAT(TakeRange(kList, 7, 3), IsEmpty());
  EXPECT_THAT(TakeRange(kList, 9, 3), IsEmpty());
}

}  // namespace
}  // namespace varnelo::runner
