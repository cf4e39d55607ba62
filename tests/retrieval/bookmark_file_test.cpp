#include "retrieval/bookmark_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(BookmarkFileTest, ReadsEveryLineWhateverItsEnd) {
  test::TTempDir dir;
  const auto file = dir.Path() / "list.bmf";
  test::WriteFile(file, "\r\nhttp://a/\r\n\r\nhttp://b/\nhttp://c/\rhttp://d/");
  EXPECT_THAT(ReadBookmarkFile(file), ElementsAre("", "http://a/", "", "http://b/", "http://c/", "http://d/"));
  EXPECT_THAT(ReadBookmarkFile(dir.Path() / "absent.bmf"), IsEmpty());
}

TEST(BookmarkFileTest, NormalizingTrimsDropsEmptyLinesSortsAndRemovesDuplicates) {
  EXPECT_THAT(NormalizedBookmarks({"", "  http://b/ ", "\t", "HTTP://A/", "http://a/", "http://B/", "ftp://z/"}),
              ElementsAre("ftp://z/", "HTTP://A/", "http://b/"));
}

TEST(BookmarkFileTest, ListKeepsTheFirstOfUrlsEqualWithoutRegardToCase) {
  TBookmarkList list;
  EXPECT_TRUE(list.Add("http://site/Page"));
  EXPECT_FALSE(list.Add("http://site/page"));
  EXPECT_TRUE(list.Add("http://other/"));
  EXPECT_TRUE(list.Add(""));
  EXPECT_THAT(list.Urls(), ElementsAre("", "http://other/", "http://site/Page"));
}

TEST(BookmarkFileTest, WritesOneLinePerUrlWhateverTheUrlHolds) {
  test::TTempDir dir;
  const auto file = dir.Path() / "list.bmf";
  const std::string withNul("http://x/\0y", 11);
  WriteBookmarkFile(file, {"", "http://a/\r\nhttp://injected/", "http://b/\r", withNul});
  EXPECT_EQ(test::ReadFile(file), "\r\nhttp://a/%0D%0Ahttp://injected/\r\nhttp://b/%0D\r\nhttp://x/%00y\r\n");
  EXPECT_EQ(ReadBookmarkFile(file).size(), 4u);

  WriteBookmarkFile(file, {});
  EXPECT_EQ(test::ReadFile(file), "");
}

}  // namespace
}  // namespace varnelo::retrieval
