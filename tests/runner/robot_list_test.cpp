#include "runner/robot_list.h"

#include <gtest/gtest.h>

namespace varnelo::runner {
namespace {

TEST(RobotListTest, RobotsAreAllSectionsButExactlyGeneralAndDictionary) {
  const std::vector<std::string> sections{"general", "dictionary", "General", "bookmarks", "Dictionary", "moteur"};
  EXPECT_EQ(TRobotList::RobotSections(sections),
            (std::vector<std::string>{"General", "bookmarks", "Dictionary", "moteur"}));
}

TEST(RobotListTest, NameOfAnEntry) {
  EXPECT_EQ(TRobotList::RobotNameOf("moteur(idle)"), "moteur");
  EXPECT_EQ(TRobotList::RobotNameOf("moteur(working)"), "moteur");
  EXPECT_EQ(TRobotList::RobotNameOf("moteur"), "moteur");
  // Only the first of each suffix goes, the idle one first.
  EXPECT_EQ(TRobotList::RobotNameOf("a(idle)(working)(idle)"), "a(idle)");
  EXPECT_EQ(TRobotList::RobotNameOf("a(working)b(idle)"), "ab");
}

TEST(RobotListTest, EntriesAndChangeNotifications) {
  TRobotList list;
  int changes = 0;
  list.SetOnChange([&] { ++changes; });
  list.AddIdle("a");
  list.AddIdle("b");
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"a(idle)", "b(idle)"}));
  list.Clear();
  EXPECT_TRUE(list.Entries().empty());
  EXPECT_EQ(changes, 3);
}

}  // namespace
}  // namespace varnelo::runner
