#include "config/config_keys.h"

#include <gtest/gtest.h>

#include "config/robot_kinds.h"
#include "support/temp_home.h"

namespace varnelo::config {
namespace {

class ConfigKeysTest : public ::testing::Test {
protected:
  TConfigStore Store(std::string_view content) const {
    test::WriteFile(dir_.Path() / "robotconfig.ini", content);
    return TConfigStore(dir_.Path() / "robotconfig.ini");
  }
  test::TTempDir dir_;
};

TEST_F(ConfigKeysTest, ReadersFallBackToTheirOwnDefaults) {
  const TConfigStore store = Store("[general]\r\n[dictionary]\r\n[r]\r\n");
  EXPECT_EQ(Read(store, section::kGeneral, key::kNextRobotAtStartup), 1);
  EXPECT_EQ(Read(store, section::kGeneral, key::kNextRobotForNewRobot), 0);
  EXPECT_EQ(Read(store, section::kGeneral, key::kNextNoDic), "1");
  EXPECT_EQ(Read(store, section::kGeneral, key::kBrowser), "firefox");
  EXPECT_EQ(Read(store, section::kGeneral, key::kMaxExtractedItemsRandomQuery), 100000000);
  EXPECT_EQ(Read(store, "r", key::kNbSimul), 1);
  EXPECT_EQ(Read(store, "r", key::kDataFromRunner), "");
  EXPECT_EQ(Read(store, "r", key::kDataFromEditor), kind::kSpecifiedPages);
  EXPECT_EQ(Read(store, "r", key::kDictRunner), 0);
  EXPECT_EQ(Read(store, "r", key::kDictEditor), 1);
  EXPECT_EQ(Read(store, "r", key::kCategory), "General");
  EXPECT_EQ(Read(store, "r", key::kContentType), "*/*");
  EXPECT_EQ(Read(store, "r", key::kMaximalSize), "10000M");
  EXPECT_EQ(Read(store, "r", key::kWebSiteName), "Web site Name");
  EXPECT_FALSE(Read(store, "r", key::kSeeOnScreen));
}

TEST_F(ConfigKeysTest, KeysAreFoundWhateverTheirCaseInTheFile) {
  const TConfigStore store = Store(
      "[r]\r\nscriptname=s.pas\r\nseeOnScreen=1\r\nbookmarkfile=/b.bmf\r\nMAXIMALSIZE=10k\r\nlocal file=/f\r\n"
      "[General]\r\nMaxExtractedItems=5\r\n");
  EXPECT_EQ(Read(store, "r", key::kScriptName), "s.pas");
  EXPECT_TRUE(Read(store, "r", key::kSeeOnScreen));
  EXPECT_EQ(Read(store, "r", key::kBookmarkFile), "/b.bmf");
  EXPECT_EQ(Read(store, "r", key::kMaximalSize), "10k");
  EXPECT_EQ(Read(store, "r", key::kLocalFile), "/f");
  EXPECT_EQ(Read(store, section::kGeneral, key::kMaxExtractedItemsRandomQuery), 5);
}

TEST_F(ConfigKeysTest, TypedWritesReadBack) {
  const TConfigStore store = Store("");
  Write(store, "r", key::kNbSimul, 4);
  Write(store, "r", key::kRunning, true);
  Write(store, "r", key::kScriptName, "a.pas");
  EXPECT_EQ(Read(store, "r", key::kNbSimul), 4);
  EXPECT_TRUE(Read(store, "r", key::kRunning));
  EXPECT_EQ(Read(store, "r", key::kScriptName), "a.pas");
  EXPECT_EQ(test::ReadFile(store.FileName()), "[r]\r\nnbsimul=4\r\nrunning=1\r\nScriptName=a.pas\r\n");
}

TEST(RobotKindsTest, KindsAreExactStrings) {
  EXPECT_TRUE(IsRobotKind("Random Http Query"));
  EXPECT_TRUE(IsRobotKind("Script (use it for database request)"));
  EXPECT_FALSE(IsRobotKind("random http query"));
  EXPECT_FALSE(IsRobotKind("Random Http Query "));
  EXPECT_FALSE(IsRobotKind(""));
}

TEST(RobotSectionsTest, AreAllSectionsButExactlyGeneralAndDictionary) {
  const std::vector<std::string> sections{"general", "dictionary", "General", "bookmarks", "Dictionary", "moteur"};
  EXPECT_EQ(RobotSections(sections),
            (std::vector<std::string>{"General", "bookmarks", "Dictionary", "moteur"}));
}

}  // namespace
}  // namespace varnelo::config
