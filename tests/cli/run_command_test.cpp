#include "run_command.h"

#include <gtest/gtest.h>

namespace varnelo::cli {
namespace {

const std::vector<std::string> kSections{"general", "dictionary", "Moteurs", "General", "pages", "PAGES", "R&D"};

TEST(FindRobotTest, ExactNameFirstThenWithoutRegardToCase) {
  EXPECT_EQ(FindRobot(kSections, "Moteurs"), "Moteurs");
  EXPECT_EQ(FindRobot(kSections, "moteurs"), "Moteurs");
  EXPECT_EQ(FindRobot(kSections, "PAGES"), "PAGES");
  EXPECT_EQ(FindRobot(kSections, "Pages"), "pages");
  EXPECT_EQ(FindRobot(kSections, "r&d"), "R&D");
}

TEST(FindRobotTest, TheTwoSettingSectionsAreNoRobots) {
  EXPECT_EQ(FindRobot(kSections, "general"), "General");  // the section the start-up lists as a robot
  EXPECT_EQ(FindRobot({"general", "dictionary"}, "general"), std::nullopt);
  EXPECT_EQ(FindRobot(kSections, "dictionary"), std::nullopt);
  EXPECT_EQ(FindRobot(kSections, "Moteur"), std::nullopt);
  EXPECT_EQ(FindRobot(kSections, ""), std::nullopt);
}

}  // namespace
}  // namespace varnelo::cli
