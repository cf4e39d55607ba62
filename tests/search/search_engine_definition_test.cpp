#include "search/search_engine_definition.h"

#include <gtest/gtest.h>

#include "config/config_store.h"
#include "support/temp_home.h"

namespace varnelo::search {
namespace {

using test::ReadFile;
using test::WriteFile;

struct TReadCase {
  const char* name;
  std::string file;
  TSearchEngineDefinition expected;
};

class ReadSearchEngineDefinitionTest : public ::testing::TestWithParam<TReadCase> {
protected:
  test::TTempDir dir_;
};

TEST_P(ReadSearchEngineDefinitionTest, ReadsTheThreeKeys) {
  const TReadCase& c = GetParam();
  const auto file = dir_.Path() / "engine";
  WriteFile(file, c.file);
  EXPECT_EQ(ReadSearchEngineDefinition(file), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadSearchEngineDefinitionTest,
    ::testing::Values(
        TReadCase{"all", "[Properties]\r\ngetquery=http://e/?q=$_\r\nrss=1\r\npostquery=a=$_\r\n",
                  {"http://e/?q=$_", true, "a=$_"}},
        TReadCase{"empty", "", {"", false, ""}},
        TReadCase{"keysAnyCase", "[properties]\nGETQUERY=u\nRSS=7\n", {"u", true, ""}},
        TReadCase{"rssNotANumber", "[Properties]\r\nrss=yes\r\n", {"", false, ""}},
        TReadCase{"otherSectionIgnored", "[Other]\r\ngetquery=x\r\n", {"", false, ""}},
        TReadCase{"binaryBytes", "[Properties]\r\ngetquery=\xFF\x01q=$_\r\n", {"\xFF\x01q=$_", false, ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadSearchEngineDefinition, MissingFileReadsAsDefaults) {
  test::TTempDir dir;
  EXPECT_EQ(ReadSearchEngineDefinition(dir.Path() / "none"), TSearchEngineDefinition{});
}

TEST(WriteSearchEngineDefinition, WritesTheKeysInTheEditorsOrder) {
  test::TTempDir dir;
  const auto file = dir.Path() / "engine";
  WriteSearchEngineDefinition(file, {"http://e/?q=$_", false, " "});
  EXPECT_EQ(ReadFile(file), "[Properties]\r\ngetquery=http://e/?q=$_\r\nrss=0\r\npostquery= \r\n");
  WriteSearchEngineDefinition(file, {"http://f/", true, "q=$_"});
  EXPECT_EQ(ReadFile(file), "[Properties]\r\ngetquery=http://f/\r\nrss=1\r\npostquery=q=$_\r\n");
}

TEST(WriteSearchEngineDefinition, ValueWithALineBreakWritesNothing) {
  test::TTempDir dir;
  const auto file = dir.Path() / "engine";
  const std::string before = "[Properties]\r\ngetquery=old\r\n";
  WriteFile(file, before);
  EXPECT_THROW(WriteSearchEngineDefinition(file, {"new", true, "a\nb"}), config::EConfigWriteError);
  EXPECT_EQ(ReadFile(file), before);
}

TEST(SearchEngineDefinition, BlankPostBodyMeansGet) {
  EXPECT_FALSE((TSearchEngineDefinition{"u", false, ""}.UsesPost()));
  EXPECT_FALSE((TSearchEngineDefinition{"u", false, " \t "}.UsesPost()));
  EXPECT_TRUE((TSearchEngineDefinition{"u", false, "q=$_"}.UsesPost()));
}

TEST(EngineDisplayName, DropsTheLastExtension) {
  EXPECT_EQ(EngineDisplayName("a.b"), "a");
  EXPECT_EQ(EngineDisplayName("a.b.c"), "a.b");
  EXPECT_EQ(EngineDisplayName("Google"), "Google");
  EXPECT_EQ(EngineDisplayName("trailing."), "trailing");
}

}  // namespace
}  // namespace varnelo::search
