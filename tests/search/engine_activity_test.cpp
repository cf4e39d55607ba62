#include "search/engine_activity.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "config/config_store.h"
#include "search/definition_paths.h"
#include "search/search_engine_definition.h"
#include "support/temp_home.h"

namespace varnelo::search {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using test::ReadFile;
using test::WriteFile;

class EngineActivityTest : public ::testing::Test {
protected:
  EngineActivityTest() { fs::create_directories(EngineFolder(home_.Path(), kRobot)); }
  void AddEngine(const std::string& name) { WriteFile(EngineFolder(home_.Path(), kRobot) / name, ""); }
  const fs::path& Home() const { return home_.Path(); }

  static constexpr std::string_view kRobot = "My robot";
  test::TTempHome home_;
};

TEST_F(EngineActivityTest, ListsEveryEntryButTheActivityFile) {
  AddEngine("google.com");
  AddEngine("yahoo");
  fs::create_directory(EngineFolder(Home(), kRobot) / "folder");
  SetEngineActive(Home(), kRobot, "yahoo", true);
  EXPECT_THAT(ListEngines(Home(), kRobot), UnorderedElementsAre("google.com", "yahoo", "folder"));
}

TEST_F(EngineActivityTest, StoreCompanionFilesAreNoEngines) {
  AddEngine("google");
  // Writing a definition and the activity file leaves the store's lock files beside them.
  WriteSearchEngineDefinition(EngineFolder(Home(), kRobot) / "google", {"http://g/?q=$_", false, ""});
  SetEngineActive(Home(), kRobot, "google", false);
  AddEngine("orphan.lock");  // no entry "orphan": an engine of its own
  EXPECT_THAT(ListEngines(Home(), kRobot), UnorderedElementsAre("google", "orphan.lock"));
}

TEST_F(EngineActivityTest, MissingFolderHasNoEngine) { EXPECT_THAT(ListEngines(Home(), "nobody"), IsEmpty()); }

TEST_F(EngineActivityTest, AbsentKeyIsActiveAndKeysWriteOneAndZero) {
  AddEngine("a");
  AddEngine("b");
  AddEngine("c");
  EXPECT_TRUE(IsEngineActive(Home(), kRobot, "a"));
  SetEngineActive(Home(), kRobot, "a", true);
  SetEngineActive(Home(), kRobot, "b", false);
  EXPECT_EQ(ReadFile(ActivityFile(Home(), kRobot)), "[engineactivity]\r\na=1\r\nb=0\r\n");
  EXPECT_THAT(ActiveEngines(Home(), kRobot), UnorderedElementsAre("a", "c"));
}

TEST_F(EngineActivityTest, KeysAreComparedWithoutRegardToCase) {
  AddEngine("Engine");
  WriteFile(ActivityFile(Home(), kRobot), "[EngineActivity]\r\nENGINE=0\r\n");
  EXPECT_FALSE(IsEngineActive(Home(), kRobot, "Engine"));
  EXPECT_THAT(ActiveEngines(Home(), kRobot), IsEmpty());
}

TEST_F(EngineActivityTest, EngineNamesWithBinaryBytes) {
  const std::string name = "moteur \xE9\x01";
  AddEngine(name);
  SetEngineActive(Home(), kRobot, name, false);
  EXPECT_EQ(ReadFile(ActivityFile(Home(), kRobot)), "[engineactivity]\r\nmoteur \xE9\x01=0\r\n");
  EXPECT_FALSE(IsEngineActive(Home(), kRobot, name));
}

TEST_F(EngineActivityTest, NameThatCannotBeAKeyFailsToWriteAndReadsActive) {
  AddEngine("a=b");
  EXPECT_THROW(SetEngineActive(Home(), kRobot, "a=b", false), config::EConfigWriteError);
  EXPECT_TRUE(IsEngineActive(Home(), kRobot, "a=b"));
}

TEST_F(EngineActivityTest, DeleteRemovesTheFileAndItsKeyOnly) {
  AddEngine("a");
  AddEngine("b");
  SetEngineActive(Home(), kRobot, "a", false);
  SetEngineActive(Home(), kRobot, "b", true);
  DeleteEngine(Home(), kRobot, "a");
  EXPECT_THAT(ListEngines(Home(), kRobot), ElementsAre("b"));
  EXPECT_EQ(ReadFile(ActivityFile(Home(), kRobot)), "[engineactivity]\r\nb=1\r\n");
}

TEST_F(EngineActivityTest, DeleteNeverTouchesTheFolderOrTheActivityFile) {
  SetEngineActive(Home(), kRobot, "a", true);
  for (const char* name : {"", ".", "..", "activeengine", "../x"}) DeleteEngine(Home(), kRobot, name);
  EXPECT_TRUE(fs::exists(ActivityFile(Home(), kRobot)));
  EXPECT_EQ(ReadFile(ActivityFile(Home(), kRobot)), "[engineactivity]\r\na=1\r\n");
}

}  // namespace
}  // namespace varnelo::search
