#include "config/comma_list.h"

#include <gtest/gtest.h>

namespace varnelo::config {
namespace {

struct TCase {
  const char* text;
  std::vector<std::string> items;
};

class SplitCommaListTest : public ::testing::TestWithParam<TCase> {};

TEST_P(SplitCommaListTest, Splits) { EXPECT_EQ(SplitCommaList(GetParam().text), GetParam().items); }

INSTANTIATE_TEST_SUITE_P(Cases, SplitCommaListTest,
                         ::testing::Values(TCase{"", {}}, TCase{"a", {"a"}}, TCase{"a,b", {"a", "b"}},
                                           TCase{"a,b,", {"a", "b"}}, TCase{"a,,b", {"a", "", "b"}},
                                           TCase{",", {""}}, TCase{",,", {"", ""}}, TCase{",a", {"", "a"}},
                                           TCase{" a , b ", {" a ", " b "}},
                                           TCase{"text/*, image/*", {"text/*", " image/*"}}));

}  // namespace
}  // namespace varnelo::config
