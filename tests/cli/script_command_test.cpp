#include "script_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "config/config_keys.h"
#include "config/config_store.h"
#include "scripting/send_to_script.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::cli {
namespace {

TEST(ScriptArgumentsTest, ReadsTheScriptAndItsOptionsOrSaysWhatIsWrong) {
  struct TCase {
    std::vector<std::string> words;
    std::string error;
    std::string url;
    bool items;
  };
  const TCase cases[] = {
      {{"a.pas"}, "", "script", false},
      {{"--url", "http://h/", "a.pas", "--items", "i.txt"}, "", "http://h/", true},
      {{}, "'script' needs a script file", "script", false},
      {{"a.pas", "b.pas"}, "'script' takes one script file", "script", false},
      {{"a.pas", "--items"}, "option '--items' needs a value", "script", false},
  };
  for (const TCase& c : cases) {
    std::string error;
    const TScriptArguments parsed = ParseScriptArguments(c.words, error);
    EXPECT_EQ(error, c.error);
    if (!c.error.empty()) continue;
    EXPECT_EQ(parsed.script, "a.pas");
    EXPECT_EQ(parsed.url, c.url);
    EXPECT_EQ(parsed.items.has_value(), c.items);
  }
}

class ScriptCommandTest : public ::testing::Test {
protected:
  int Run(const std::string& source, TScriptArguments arguments = {}) {
    arguments.script = files.Path() / "s.pas";
    test::WriteFile(arguments.script, source);
    return RunScript(home.Path(), arguments, out, errors);
  }

  test::TTempHome home;
  test::TTempDir files;
  std::ostringstream out;
  std::ostringstream errors;
};

TEST_F(ScriptCommandTest, PrintsWhatTheScriptWritesThenItsOutcome) {
  TScriptArguments arguments;
  arguments.url = "http://h/";
  arguments.items = files.Path() / "items.txt";
  test::WriteFile(*arguments.items, "a\r\nb\r\n");
  EXPECT_EQ(Run("begin\r\n  WriteLn(extractedItems.Count);\r\n  Write('no end');\r\n  Result := url;\r\nend.\r\n",
                arguments),
            0);
  EXPECT_EQ(out.str(), "2\nno endhttp://h/\n");
}

TEST_F(ScriptCommandTest, AnErrorOutcomeExitsWithOne) {
  EXPECT_EQ(Run("begin\r\n  Result := 1 div 0;\r\nend.\r\n"), 1);
  EXPECT_TRUE(out.str().starts_with("script result:")) << out.str();
}

TEST_F(ScriptCommandTest, WithoutItemsTheListIsNilAndAnUnreadableItemsFileIsRefused) {
  EXPECT_EQ(Run("begin if extractedItems = nil then Result := url; end."), 0);
  EXPECT_EQ(out.str(), "script\n");

  TScriptArguments arguments;
  arguments.items = files.Path() / "missing.txt";
  EXPECT_EQ(Run("begin end.", arguments), 2);
  EXPECT_NE(errors.str().find("missing.txt"), std::string::npos);
}

TEST_F(ScriptCommandTest, TheHomeSetsTheScriptMemoryLimitAndPassingItExitsWithOne) {
  const config::TConfigStore store(home.RobotConfigPath());
  struct TCase {
    const char* value;
    std::int64_t bytes;
  };
  const TCase cases[] = {{"", std::int64_t(1) << 30}, {"64", std::int64_t(64) << 20}, {"0", std::int64_t(1) << 30},
                         {"-3", std::int64_t(1) << 30}, {"lots", std::int64_t(1) << 30}, {"2048", std::int64_t(2) << 30}};
  for (const TCase& c : cases) {
    store.WriteString(config::section::kGeneral, scripting::kScriptMemoryLimitKey, c.value);
    EXPECT_EQ(scripting::ReadScriptMemoryLimit(home.Path()), c.bytes) << c.value;
  }
  store.WriteString(config::section::kGeneral, scripting::kScriptMemoryLimitKey, "64");
  EXPECT_EQ(Run("var l: TStringList; i: Integer;\r\nbegin\r\n  l := TStringList.Create;\r\n"
                "  for i := 1 to 100 do l.Add(StringOfChar('x', 32 * 1024 * 1024));\r\nend.\r\n"),
            1);
  EXPECT_NE(out.str().find("Out of memory"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace varnelo::cli
