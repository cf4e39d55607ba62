#include <gtest/gtest.h>

#include "network/http_date.h"

namespace varnelo::network {
namespace {

constexpr std::time_t k1994 = 784111777;  // Sun, 06 Nov 1994 08:49:37 GMT

TEST(HttpDateTest, ThreeForms) {
  EXPECT_EQ(ParseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT"), k1994);
  EXPECT_EQ(ParseHttpDate("Sunday, 06-Nov-94 08:49:37 GMT"), k1994);
  EXPECT_EQ(ParseHttpDate("Sun Nov  6 08:49:37 1994"), k1994);
}

TEST(HttpDateTest, ZonesAndVariants) {
  EXPECT_EQ(ParseHttpDate("Sun, 06 Nov 1994 09:49:37 +0100"), k1994);
  EXPECT_EQ(ParseHttpDate("Sun, 06 Nov 1994 03:49:37 EST"), k1994);
  EXPECT_EQ(ParseHttpDate("06 Nov 1994 08:49:37 UTC"), k1994);
  EXPECT_EQ(ParseHttpDate("sun, 6 nov 1994 08:49:37 gmt"), k1994);
  EXPECT_EQ(ParseHttpDate("Tue, 08 Dec 2026 14:05:09 GMT"), ParseHttpDate("Tuesday, 08-Dec-26 14:05:09 GMT"));
}

TEST(HttpDateTest, RejectsWhatIsNotADate) {
  EXPECT_FALSE(ParseHttpDate(""));
  EXPECT_FALSE(ParseHttpDate("yesterday"));
  EXPECT_FALSE(ParseHttpDate("Sun, 31 Feb 1994 08:49:37 GMT"));
  EXPECT_FALSE(ParseHttpDate("Sun, 06 Nov 1994 25:49:37 GMT"));
  EXPECT_FALSE(ParseHttpDate("Sun, 06 Nov 1994 GMT"));
  EXPECT_FALSE(ParseHttpDate("0"));
}

TEST(HttpDateTest, FormatsRfc1123) {
  EXPECT_EQ(FormatHttpDate(k1994), "Sun, 06 Nov 1994 08:49:37 GMT");
  const auto again = ParseHttpDate(FormatHttpDate(1796738709));
  EXPECT_EQ(again, 1796738709);
}

}  // namespace
}  // namespace varnelo::network
