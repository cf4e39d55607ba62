#include "periphery/favorites_shortcut.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_home.h"

namespace varnelo::periphery {
namespace {
namespace fs = std::filesystem;

TEST(FavoritesShortcutTest, NamesTheFileAfterTheTitleWithoutForbiddenCharacters) {
  const struct {
    std::string title;
    std::string name;
  } cases[] = {
      {"A/B: C?", "ABC.url"},
      {"", ".url"},
      {" \t ", ".url"},
      {"\"*/:<>?|", ".url"},
      {"..", "...url"},
      {"../../etc/passwd", "....etcpasswd.url"},
      {"/", ".url"},
      {"Été \\ à Paris", "Été\\àParis.url"},
      {std::string("a\0b\r\nc", 6), "abc.url"},
  };
  for (const auto& c : cases) EXPECT_EQ(FavoritesFileName(c.title), c.name) << c.title;
}

TEST(FavoritesShortcutTest, CutsLongTitlesAtACharacterBoundary) {
  std::string title;
  for (int i = 0; i < 200; ++i) title += "é";  // 400 bytes
  const std::string name = FavoritesFileName(title);
  EXPECT_LE(name.size() + 4, 255u);  // the temporary file fits too
  EXPECT_TRUE(name.ends_with(".url"));
  const std::string stem = name.substr(0, name.size() - 4);
  EXPECT_EQ(stem.size() % 2, 0u);
  EXPECT_EQ(stem, title.substr(0, stem.size()));
}

TEST(FavoritesShortcutTest, WritesTheSixLinesIntoTheFavoritesFolder) {
  test::TTempHome home;
  const fs::path written = AddToFavorites(home.Path(), "A/B: C?", "http://example.com/page?a=1");
  EXPECT_EQ(written, home.Path() / "Favorites" / "ABC.url");
  EXPECT_EQ(test::ReadFile(written),
            "[InternetShortcut]\r\nURL=http://example.com/page?a=1\r\nWorkingDirectory=\r\nIconIndex=0\r\n"
            "ShowCommand=7\r\nIconFile=url.dll\r\n");

  // The same title again replaces the file.
  AddToFavorites(home.Path(), "A/B: C?", "http://other/");
  EXPECT_TRUE(test::ReadFile(written).starts_with("[InternetShortcut]\r\nURL=http://other/\r\n"));
}

TEST(FavoritesShortcutTest, HostileTitlesAndAddressesStayInsideTheFolderAndTheFormat) {
  test::TTempHome home;
  for (const char* title : {"..", ".", "../x", "/etc/passwd", ""}) {
    const fs::path written = AddToFavorites(home.Path(), title, "http://a/\r\nIconFile=evil");
    EXPECT_EQ(written.parent_path(), home.Path() / "Favorites") << title;
    EXPECT_TRUE(fs::is_regular_file(written)) << title;
    EXPECT_EQ(test::ReadFile(written),
              "[InternetShortcut]\r\nURL=http://a/%0D%0AIconFile=evil\r\nWorkingDirectory=\r\nIconIndex=0\r\n"
              "ShowCommand=7\r\nIconFile=url.dll\r\n");
  }
  EXPECT_FALSE(fs::exists(home.Path() / "x.url"));
}

}  // namespace
}  // namespace varnelo::periphery
