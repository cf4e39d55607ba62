#include "runner/robot_list.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace varnelo::runner {
namespace {

TEST(RobotListTest, NameOfAnEntry) {
  EXPECT_EQ(TRobotList::RobotNameOf("moteur(idle)"), "moteur");
  EXPECT_EQ(TRobotList::RobotNameOf("moteur(working)"), "moteur");
  EXPECT_EQ(TRobotList::RobotNameOf("moteur"), "moteur");
  // Only the first of each suffix goes, the idle one first.
  EXPECT_EQ(TRobotList::RobotNameOf("a(idle)(working)(idle)"), "a(idle)");
  EXPECT_EQ(TRobotList::RobotNameOf("a(working)b(idle)"), "ab");
}

TEST(RobotListTest, SignalsNameTheRobotTheyAreAbout) {
  TRobotList list;
  std::vector<std::string> heard;
  base::TConnections listening;
  listening += list.RobotAdded.Connect([&](const std::string& robot) { heard.push_back("added " + robot); });
  listening += list.RobotRemoved.Connect([&](const std::string& robot) { heard.push_back("removed " + robot); });
  listening += list.RobotRenamed.Connect(
      [&](const std::string& from, const std::string& to) { heard.push_back("renamed " + from + " " + to); });
  listening += list.StateChanged.Connect(
      [&](const std::string& robot, bool working) { heard.push_back(robot + (working ? " working" : " idle")); });
  listening += list.Cleared.Connect([&] { heard.push_back("cleared"); });

  list.AddIdle("a");
  list.AddIdle("b");
  EXPECT_TRUE(list.ChangeRobotState("b", TRobotList::kWorking));
  EXPECT_FALSE(list.ChangeRobotState("zz", TRobotList::kWorking));
  EXPECT_FALSE(list.RenameIdle("b", "c"));  // a working robot keeps its name
  EXPECT_TRUE(list.RenameIdle("a", "c"));
  EXPECT_FALSE(list.RemoveIdle("b"));
  EXPECT_TRUE(list.ChangeRobotState("b", TRobotList::kIdle));
  EXPECT_TRUE(list.RemoveIdle("b"));
  list.Clear();
  EXPECT_EQ(heard, (std::vector<std::string>{"added a", "added b", "b working", "renamed a c", "b idle", "removed b",
                                             "cleared"}));
  EXPECT_TRUE(list.Entries().empty());
}

TEST(RobotListTest, SelectionFollowsTheRobotWhenEntriesMove) {
  TRobotList list;
  for (const char* robot : {"a", "b", "c"}) list.AddIdle(robot);
  std::vector<std::optional<std::string>> selections;
  base::TConnection listening =
      list.SelectionChanged.Connect([&](const std::optional<std::string>& robot) { selections.push_back(robot); });
  list.Select("b");
  // "c" moves to the top and "b" from the second place to the third: the selection stays on "b".
  list.ChangeRobotState("c", TRobotList::kWorking);
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"c(working)", "a(idle)", "b(idle)"}));
  EXPECT_EQ(list.SelectedEntry(), "b(idle)");
  list.ChangeRobotState("b", TRobotList::kWorking);
  EXPECT_EQ(list.SelectedEntry(), "b(working)");
  list.ChangeRobotState("b", TRobotList::kIdle);
  list.RenameIdle("b", "d");
  EXPECT_EQ(list.SelectedRobot(), "d");
  list.RemoveIdle("d");
  EXPECT_EQ(list.SelectedRobot(), std::nullopt);
  list.Select("nobody");
  EXPECT_EQ(list.SelectedRobot(), std::nullopt);
  EXPECT_EQ(selections, (std::vector<std::optional<std::string>>{"b", "d", std::nullopt}));
}

}  // namespace
}  // namespace varnelo::runner
