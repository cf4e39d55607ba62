#include "retrieval/result_hash.h"

#include <gtest/gtest.h>

namespace varnelo::retrieval {
namespace {

TEST(ResultHashTest, MatchesStoredFileNames) {
  EXPECT_EQ(ResultHash("a"), 591751009u);
  // The top nibble is OR-ed back, so bits already set stay set (XOR would give 0x34567642).
  EXPECT_EQ(ResultHash("ab"), 0x34567672u);
  EXPECT_EQ(ResultHash(std::string_view("\0", 1)), 591750944u);
  EXPECT_EQ(ResultHash("\xff\xff"), 878084351u);
  EXPECT_EQ(ResultHash("http://www.example.com/"), 4144279551u);
}

}  // namespace
}  // namespace varnelo::retrieval
