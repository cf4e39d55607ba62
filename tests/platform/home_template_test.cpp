// A fresh home made from the template, read back through the program's own readers: the ready search
// engine robot must run, edit and show in the quick search menu as it stands.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <regex>
#include <string>
#include <string_view>

#include "config/config_keys.h"
#include "config/config_store.h"
#include "config/robot_kinds.h"
#include "forms/new_robot_frm.h"
#include "runner/robot_list.h"
#include "runner/robot_runner.h"
#include "runner/robot_worker_table.h"
#include "search/definition_paths.h"
#include "search/engine_activity.h"
#include "search/query_marker.h"
#include "search/quick_search_menu.h"
#include "search/search_engine_definition.h"
#include "support/recording_ports.h"
#include "support/robot_run.h"
#include "support/temp_home.h"

namespace varnelo::platform {
namespace {
namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAreArray;

constexpr std::string_view kRobot = "Recherche";

class HomeTemplateTest : public ::testing::Test {
protected:
  const fs::path& Home() const { return home_.Path(); }
  config::TConfigStore Store() const { return config::TConfigStore(home_.RobotConfigPath()); }

  test::TTempHome home_;
};

struct TEngineCase {
  const char* file;
  const char* getQuery;
  bool rss;
};

// Engine file names hold UTF-8, blanks and brackets; none holds a dot, so the caption is the whole name.
constexpr TEngineCase kEngines[] = {
    {"Wikipédia", "https://fr.wikipedia.org/w/index.php?search=$_", false},
    {"Wikipedia (en)", "https://en.wikipedia.org/w/index.php?search=$_", false},
    {"DuckDuckGo", "https://html.duckduckgo.com/html/?q=$_", false},
    {"Google Actualités", "https://news.google.com/rss/search?q=$_&hl=fr&gl=FR&ceid=FR:fr", true},
    {"Bing Actualités", "https://www.bing.com/news/search?q=$_&format=rss", true},
    {"Hacker News", "https://hnrss.org/newest?q=$_", true},
};

TEST_F(HomeTemplateTest, TheSearchRobotIsASearchEngineRobotTheRunnerCanStart) {
  test::TRobotRun run(Home());
  test::TRecordingIndicators indicators;
  runner::TRobotWorkerTable table;
  runner::TRobotList list;
  runner::TRobotRunner runner(run.ports, indicators, table, list);
  EXPECT_EQ(runner.KindOf(std::string(kRobot)), config::kind::kSearchEngine);

  const config::TConfigStore store = Store();
  EXPECT_THAT(config::RobotSections(store.ReadSections()), ElementsAre(kRobot));
  EXPECT_GE(config::Read(store, kRobot, config::key::kNbSimul), 1);
  // The worker table is sized from nextrobot at start-up: the robot's slot must lie inside it.
  EXPECT_LT(config::Read(store, kRobot, config::key::kRobotNo),
            config::Read(store, config::section::kGeneral, config::key::kNextRobotAtStartup));
  EXPECT_TRUE(config::Read(store, kRobot, config::key::kSeeOnScreen));
  EXPECT_FALSE(config::Read(store, kRobot, config::key::kSendToScript));
  EXPECT_EQ(config::Read(store, kRobot, config::key::kCategory), "General");
}

TEST_F(HomeTemplateTest, EveryEngineIsActiveAndQueriesWithTheSearchWords) {
  std::vector<std::string> files;
  for (const TEngineCase& engine : kEngines) files.emplace_back(engine.file);
  EXPECT_THAT(search::ListEngines(Home(), kRobot), UnorderedElementsAreArray(files));
  EXPECT_THAT(search::ActiveEngines(Home(), kRobot), UnorderedElementsAreArray(files));
  EXPECT_THAT(config::TConfigStore(search::ActivityFile(Home(), kRobot)).ReadSection("engineactivity"),
              UnorderedElementsAreArray(files));

  for (const TEngineCase& engine : kEngines) {
    SCOPED_TRACE(engine.file);
    const fs::path file = search::EngineFolder(Home(), kRobot) / engine.file;
    ASSERT_TRUE(fs::is_regular_file(file));
    const search::TSearchEngineDefinition definition = search::ReadSearchEngineDefinition(file);
    EXPECT_EQ(definition.getQuery, engine.getQuery);
    EXPECT_EQ(definition.rss, engine.rss);
    EXPECT_FALSE(definition.UsesPost());
    EXPECT_EQ(search::ReplaceQueryMarker(definition.getQuery, "%C3%A9t%C3%A9").find(search::kQueryMarker),
              std::string::npos);
    EXPECT_NE(search::ReplaceQueryMarker(definition.getQuery, "%C3%A9t%C3%A9").find("=%C3%A9t%C3%A9"),
              std::string::npos);
    EXPECT_EQ(search::EngineDisplayName(engine.file), engine.file);
    // Written as the store writes: CR LF after every line, the editor's key order.
    EXPECT_EQ(test::ReadFile(file), std::string("[Properties]\r\ngetquery=") + engine.getQuery + "\r\nrss=" +
                                        (engine.rss ? "1" : "0") + "\r\npostquery=\r\n");
  }
}

TEST_F(HomeTemplateTest, TheQuickSearchMenuListsTheRobotUnderGeneralWithItsIcon) {
  search::TQuickSearchMenu menu;
  menu.Build(Store(), config::TConfigStore(Home() / "Category.ini"), Home() / "favicon");

  ASSERT_EQ(menu.Entries().size(), 1u);
  const search::TQuickSearchMenu::TCategoryEntry& general = menu.Entries().front();
  EXPECT_EQ(general.caption, "General");
  ASSERT_EQ(general.robots.size(), 1u);
  EXPECT_EQ(general.robots.front().caption, kRobot);
  // Both icons were found, so neither entry falls back to the built-in image.
  ASSERT_NE(general.image, search::TQuickSearchMenu::kDefaultImage);
  ASSERT_NE(general.robots.front().image, search::TQuickSearchMenu::kDefaultImage);
  EXPECT_EQ(menu.Images().at(general.image), Home() / "favicon" / "google.ico");
  EXPECT_EQ(menu.Images().at(general.robots.front().image), Home() / "favicon" / "recherche.ico");
}

TEST_F(HomeTemplateTest, TheEditorSavesTheRobotUnchangedAndGivesANewRobotAnotherSlot) {
  const std::string config = test::ReadFile(home_.RobotConfigPath());
  const std::string activity = test::ReadFile(search::ActivityFile(Home(), kRobot));
  test::TRecordingDialogs dialogs;
  search::TQuickSearchMenu menu;
  menu.Build(Store(), config::TConfigStore(Home() / "Category.ini"), Home() / "favicon");

  config::TNewRobotFrm editor(Home(), dialogs, menu, [](const std::string&) {});
  editor.OpenExisting(kRobot);
  EXPECT_EQ(editor.Kind(), config::kind::kSearchEngine);
  EXPECT_EQ(editor.IconPreview(), Home() / "favicon" / "recherche.ico");
  EXPECT_EQ(editor.searchEngine.engines.size(), std::size(kEngines));
  for (const config::TEngineEntry& engine : editor.searchEngine.engines) EXPECT_TRUE(engine.checked) << engine.name;
  EXPECT_TRUE(editor.ClickSave());
  EXPECT_THAT(dialogs.messages, ::testing::IsEmpty());
  EXPECT_EQ(test::ReadFile(home_.RobotConfigPath()), config);
  EXPECT_EQ(test::ReadFile(search::ActivityFile(Home(), kRobot)), activity);

  config::TNewRobotFrm another(Home(), dialogs, menu, [](const std::string&) {});
  another.OpenNew();
  another.robotName = "Autre";
  another.searchEngine.category = "General";
  another.searchEngine.definitionName = "moteur";
  another.ClickNewDefinition();
  EXPECT_TRUE(another.ClickSave()) << (dialogs.messages.empty() ? "" : dialogs.messages.back().text);
  EXPECT_NE(Store().ReadInteger("Autre", "robotno", -1), Store().ReadInteger(kRobot, "robotno", -1));
}

// The icon files are ICO containers of PNG images, 16 and 32 pixels square, as the menu's loader reads
// them.
TEST_F(HomeTemplateTest, TheIconsAreIcoFilesHoldingPngImages) {
  for (const char* name : {"google.ico", "recherche.ico"}) {
    SCOPED_TRACE(name);
    const std::string ico = test::ReadFile(Home() / "favicon" / name);
    ASSERT_GE(ico.size(), 6u);
    auto u16 = [&](size_t at) { return uint8_t(ico.at(at)) | uint8_t(ico.at(at + 1)) << 8; };
    auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
    EXPECT_EQ(u16(0), 0);
    EXPECT_EQ(u16(2), 1);
    ASSERT_EQ(u16(4), 2);
    for (size_t entry = 0; entry < 2; ++entry) {
      const size_t at = 6 + 16 * entry;
      const unsigned size = entry == 0 ? 16 : 32;
      EXPECT_EQ(uint8_t(ico.at(at)), size);
      EXPECT_EQ(uint8_t(ico.at(at + 1)), size);
      const uint32_t length = u32(at + 8);
      const uint32_t offset = u32(at + 12);
      ASSERT_LE(size_t(offset) + length, ico.size());
      const std::string png = ico.substr(offset, length);
      EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
      // IHDR's width and height, big-endian.
      EXPECT_EQ(uint8_t(png.at(19)), size);
      EXPECT_EQ(uint8_t(png.at(23)), size);
    }
  }
}

// The help is opened from files in the home, so every link between its pages must name a page that is
// there, and every page must be reachable from the table of contents.
TEST_F(HomeTemplateTest, EveryHelpLinkNamesAPageOfTheHelp) {
  const fs::path help = Home() / "help";
  const std::string contents = test::ReadFile(help / "index.html");
  const std::regex link(R"re(href="([^"#]*)(#[^"]*)?")re");
  size_t pages = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(help)) {
    if (entry.path().extension() != ".html") continue;
    ++pages;
    const std::string name = entry.path().filename().string();
    if (name != "index.html") EXPECT_NE(contents.find("href=\"" + name + "\""), std::string::npos) << name;
    const std::string page = test::ReadFile(entry.path());
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos) << name;
    for (std::sregex_iterator it(page.begin(), page.end(), link), end; it != end; ++it) {
      const std::string target = (*it)[1];
      EXPECT_TRUE(fs::is_regular_file(help / target)) << name << " links to " << target;
      if ((*it)[2].matched && !target.empty()) {
        const std::string id = std::string((*it)[2]).substr(1);
        EXPECT_NE(test::ReadFile(help / target).find("id=\"" + id + "\""), std::string::npos) << name << " -> " << id;
      }
    }
  }
  EXPECT_TRUE(fs::is_regular_file(help / "trucs-de-recherche.html"));
  EXPECT_GT(pages, 1u);
}

}  // namespace
}  // namespace varnelo::platform
