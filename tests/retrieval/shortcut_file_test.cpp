#include "retrieval/shortcut_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

struct TReadCase {
  std::string content;
  std::string url;
};

TEST(ShortcutFileTest, ReadsTheUrlKeyWithTheIniRules) {
  const TReadCase cases[] = {
      {"[InternetShortcut]\r\nURL=http://a/\r\n", "http://a/"},
      {"[DEFAULT]\r\nBASEURL=http://x/\r\n[InternetShortcut]\r\nIDList=\r\nurl = http://b/ \r\nIconIndex=0\r\n",
       "http://b/"},
      {"[internetshortcut]\nUrl=ftp://c/\n", "ftp://c/"},
      {"[Other]\r\nURL=http://no/\r\n", ""},
      {"[InternetShortcut]\r\nIconIndex=0\r\n", ""},  // no URL
      {"[InternetShortcut]\r\nURL=\r\n", ""},
      {"", ""},
      {std::string("\0\xFF\xFE", 3), ""},
      {"[InternetShortcut]\r\nURL=http://first/\r\nURL=http://second/\r\n", "http://first/"},
  };
  test::TTempDir dir;
  for (const auto& c : cases) {
    const auto file = dir.Path() / "s.url";
    test::WriteFile(file, c.content);
    EXPECT_EQ(ReadShortcutUrl(file), c.url) << c.content;
  }
}

TEST(ShortcutFileTest, MissingFilesFoldersAndLongUrls) {
  test::TTempDir dir;
  EXPECT_EQ(ReadShortcutUrl(dir.Path() / "absent.url"), "");
  EXPECT_EQ(ReadShortcutUrl(dir.Path()), "");
  const std::string longUrl = "http://x/" + std::string(3000, 'a');
  test::WriteFile(dir.Path() / "long.url", "[InternetShortcut]\r\nURL=" + longUrl + "\r\n");
  EXPECT_EQ(ReadShortcutUrl(dir.Path() / "long.url"), longUrl.substr(0, kMaxShortcutUrlLength));
}

TEST(ShortcutFileTest, WritesTwoLinesThatReadBack) {
  test::TTempDir dir;
  const auto file = dir.Path() / "s.url";
  WriteShortcutFile(file, "http://a/?q=1");
  EXPECT_EQ(test::ReadFile(file), "[InternetShortcut]\r\nURL=http://a/?q=1\r\n");
  EXPECT_EQ(ReadShortcutUrl(file), "http://a/?q=1");

  // A pasted line break cannot add lines or keys to the file.
  WriteShortcutFile(file, "http://a/\r\n[Other]\nURL=x");
  EXPECT_EQ(test::ReadFile(file), "[InternetShortcut]\r\nURL=http://a/%0D%0A[Other]%0AURL=x\r\n");
  EXPECT_EQ(ReadShortcutUrl(file), "http://a/%0D%0A[Other]%0AURL=x");
}

TEST(ShortcutFileTest, FileNamesStayOneComponent) {
  EXPECT_EQ(EscapeFileNameComponent("a/b"), "a%2Fb");
  EXPECT_EQ(EscapeFileNameComponent("../../etc/x"), "..%2F..%2Fetc%2Fx");
  EXPECT_EQ(EscapeFileNameComponent(std::string("a\0b", 3)), "a%00b");
  EXPECT_EQ(EscapeFileNameComponent("été"), "été");
}

}  // namespace
}  // namespace varnelo::retrieval
