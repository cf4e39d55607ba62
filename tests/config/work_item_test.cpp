#include "config/work_item.h"

#include <gtest/gtest.h>

#include "support/temp_home.h"

namespace varnelo::config {
namespace {

TEST(WorkItemTest, FormatsAndParsesFourFields) {
  const TWorkItem item{"apple", "zebra", "mango", std::string(kProcessing)};
  EXPECT_EQ(FormatWorkItem(item), "apple,zebra,mango,processing");
  EXPECT_EQ(ParseWorkItem("apple,zebra,mango,processing"), item);
}

TEST(WorkItemTest, ParsingTakesTheFourthFieldAsState) {
  // An entry holding "," shifts the fields: the item is then neither resumed nor counted.
  const auto shifted = ParseWorkItem("http://a/?x=1,2,http://b/,http://a/?x=1,2,processingdone");
  ASSERT_TRUE(shifted);
  EXPECT_EQ(shifted->state, "http://a/?x=1");
  EXPECT_EQ(ParseWorkItem("a,b,c,d,"), (TWorkItem{"a", "b", "c", "d"}));
  EXPECT_EQ(ParseWorkItem(",,,,"), (TWorkItem{"", "", "", ""}));
  // A final "," ends the last field rather than starting an empty one.
  EXPECT_FALSE(ParseWorkItem("a,b,c,"));
  EXPECT_FALSE(ParseWorkItem("a,b,c"));
  EXPECT_FALSE(ParseWorkItem(""));
}

TEST(WorkItemTest, KeysOfBothKinds) {
  EXPECT_EQ(RandomQueryItemKey(3, 1), "thread3*1");
  EXPECT_EQ(RandomQueryCounterKey(3), "nexthread3");
  EXPECT_EQ(SpecifiedPagesItemKey(0, 12), "urlthread0*12");
  EXPECT_EQ(SpecifiedPagesCounterKey(0), "nexturlthread0");
  EXPECT_EQ(SpecifiedPagesItemStem(1), "urlthread1*");
  EXPECT_NE(SpecifiedPagesItemKey(11, 2).find(SpecifiedPagesItemStem(11)), std::string::npos);
}

TEST(WorkItemTest, RandomQueryKeysAreThoseBeginningWithThread) {
  EXPECT_TRUE(IsRandomQueryItemKey("thread3*1"));
  EXPECT_TRUE(IsRandomQueryItemKey("threadanything"));
  EXPECT_FALSE(IsRandomQueryItemKey("urlthread0*1"));
  EXPECT_FALSE(IsRandomQueryItemKey("nexthread3"));
  EXPECT_FALSE(IsRandomQueryItemKey("Thread3*1"));
  EXPECT_FALSE(IsRandomQueryItemKey("threa"));
}

TEST(WorkItemTest, StartupResetMarksUnfinishedRandomQueryItems) {
  test::TTempDir dir;
  const auto file = dir.Path() / "robotconfig.ini";
  test::WriteFile(file,
                  "[q]\r\n"
                  "thread1*1=a,f,c,processing\r\n"
                  "thread1*2=g,m,m,processingdone\r\n"
                  "thread1*3=n,z,p,not_processing\r\n"
                  "thread1*4=x,y,z,,\r\n"
                  "thread1*5=a,b,c,d,e\r\n"
                  "thread1*6=short,item\r\n"
                  "thread1*7=x,y,z,\r\n"
                  "urlthread0*1=u,v,w,processing\r\n"
                  "nexthread1=7\r\n");
  const TConfigStore store(file);
  ResetInterruptedRandomQueryItems(store, "q");
  EXPECT_EQ(test::ReadFile(file),
            "[q]\r\n"
            "thread1*1=a,f,c,not_processing\r\n"
            "thread1*2=g,m,m,processingdone\r\n"
            "thread1*3=n,z,p,not_processing\r\n"
            "thread1*4=x,y,z,not_processing\r\n"
            "thread1*5=a,b,c,not_processing\r\n"
            "thread1*6=short,item\r\n"
            "thread1*7=x,y,z,\r\n"
            "urlthread0*1=u,v,w,processing\r\n"
            "nexthread1=7\r\n");
}

}  // namespace
}  // namespace varnelo::config
