#include "forms/frm_see_result.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace varnelo::results {
namespace {

TEST(FrmSeeResultTest, OpensOnTheFirstMatch) {
  const TFrmSeeResult viewer("/home/u/results/page 1.htm");
  EXPECT_EQ(viewer.Match(), 1);
  EXPECT_EQ(viewer.Url(), "file:///home/u/results/page 1.htm#found1");
}

TEST(FrmSeeResultTest, StepsWithoutBoundsAndSaysSoEachTime) {
  TFrmSeeResult viewer("/r/p.htm");
  std::vector<std::string> shown;
  const base::TConnection connection = viewer.Changed.Connect([&] { shown.push_back(viewer.Url()); });
  viewer.Previous();
  viewer.Previous();
  viewer.Next();
  viewer.Next();
  viewer.Next();
  EXPECT_EQ(shown, (std::vector<std::string>{"file:///r/p.htm#found0", "file:///r/p.htm#found-1",
                                             "file:///r/p.htm#found0", "file:///r/p.htm#found1",
                                             "file:///r/p.htm#found2"}));
}

}  // namespace
}  // namespace varnelo::results
