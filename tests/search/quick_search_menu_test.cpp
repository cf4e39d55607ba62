#include "search/quick_search_menu.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/temp_home.h"

namespace varnelo::search {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using TEntry = TQuickSearchMenu::TCategoryEntry;
using TItem = TQuickSearchMenu::TItem;

TEST(QuickSearchMenuTest, BuildListsSearchEngineRobotsUnderTheirExactCategory) {
  test::TTempDir dir;
  const fs::path favicon = dir.Path() / "favicon";
  fs::create_directories(favicon);
  for (const char* icon : {"google.ico", "news.ico", "b.ico"}) test::WriteFile(favicon / icon, "ico");
  test::WriteFile(dir.Path() / "robotconfig.ini",
                  "[general]\r\n[dictionary]\r\n"
                  "[A]\r\nDataFrom=Search engine functionality\r\n"
                  "[B]\r\nDataFrom=Search engine functionality\r\nCategory=News\r\niconfile=b.ico\r\n"
                  "[C]\r\nDataFrom=Search engine functionality\r\nCategory=Sport\r\n"
                  "[D]\r\nDataFrom=Read Local File\r\nCategory=General\r\n"
                  "[F]\r\nDataFrom=Search engine functionality\r\nCategory=News\r\niconfile=absent.ico\r\n");
  test::WriteFile(dir.Path() / "Category.ini", "[General]\r\n[News]\r\niconfile=news.ico\r\n[general]\r\n");

  TQuickSearchMenu menu;
  int changes = 0;
  const base::TConnection listening = menu.Changed.Connect([&] { ++changes; });
  menu.Build(config::TConfigStore(dir.Path() / "robotconfig.ini"), config::TConfigStore(dir.Path() / "Category.ini"),
             favicon);

  // C's category has no section; D is of another kind; "general" does not take the default "General".
  EXPECT_THAT(menu.Entries(), ElementsAre(TEntry{"General", 1, {TItem{"A", 0}}},
                                          TEntry{"News", 2, {TItem{"B", 3}, TItem{"F", 0}}}, TEntry{"general", 4, {}}));
  EXPECT_THAT(menu.Images(), ElementsAre(fs::path(), favicon / "google.ico", favicon / "news.ico", favicon / "b.ico",
                                         favicon / "google.ico"));
  EXPECT_EQ(changes, 1);

  // Building again starts afresh.
  fs::remove(dir.Path() / "Category.ini");
  menu.Build(config::TConfigStore(dir.Path() / "robotconfig.ini"), config::TConfigStore(dir.Path() / "Category.ini"),
             favicon);
  EXPECT_THAT(menu.Entries(), IsEmpty());
  EXPECT_THAT(menu.Images(), ElementsAre(fs::path()));
}

TEST(QuickSearchMenuTest, EntriesAreFoundByCaptionWithoutAccelerators) {
  TQuickSearchMenu menu;
  int changes = 0;
  const base::TConnection listening = menu.Changed.Connect([&] { ++changes; });
  menu.AddCategory("&News", {});
  menu.AddCategory("Sport", {});
  menu.AddCategory("N&ew&s", {});

  EXPECT_FALSE(menu.RemoveCategory("news"));  // captions compare exactly
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(menu.RemoveCategory("News"));
  EXPECT_THAT(menu.Entries(), ElementsAre(TEntry{"&News", 0, {}}, TEntry{"Sport", 0, {}}));
  menu.RenameCategory("Spo&rt", "Jeux");  // the name is not stripped, only the captions
  menu.RenameCategory("News", "Infos");
  EXPECT_THAT(menu.Entries(), ElementsAre(TEntry{"Infos", 0, {}}, TEntry{"Sport", 0, {}}));
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(TQuickSearchMenu::WithoutAccelerators("&a&&b&"), "ab");
}

}  // namespace
}  // namespace varnelo::search
