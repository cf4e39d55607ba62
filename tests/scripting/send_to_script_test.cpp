#include "scripting/send_to_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scripting/script_log_output.h"
#include "scripting/script_outcome.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::scripting {
namespace {

class SendToScriptTest : public ::testing::Test {
protected:
  std::filesystem::path Script(const std::string& source, const std::string& name = "s.pas") {
    const std::filesystem::path file = scripts.Path() / name;
    test::WriteFile(file, source);
    return file;
  }

  std::string Run(const std::string& source, std::vector<std::string>* items = nullptr, std::string url = "u") {
    TScriptHooks hooks;
    hooks.output = [this](const std::string& text) { written += text; };
    return TSendToScript(home.Path(), std::move(url), items, Script(source), std::move(hooks)).RunScript();
  }

  test::TTempHome home;
  test::TTempDir scripts;
  std::string written;
};

TEST_F(SendToScriptTest, OutcomeLineFollowsTheTypeOfTheResult) {
  struct TCase {
    std::string body;
    std::string outcome;
  };
  const TCase cases[] = {
      {"Result := 42;", "42"},
      {"", "Empty"},
      {"Result := True;", "True"},
      {"Result := 1 = 2;", "False"},
      {"Result := 'text';", "text"},
      {"Result := 1.5;", "1.5"},
      {"Result := Null;", "Null"},
      {"Result := nil;", "Object: nil"},
      {"Result := TStringList.Create;", "Object: TStringList"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Run("begin\r\n" + c.body + "\r\nend.\r\n"), c.outcome) << c.body;
  }
}

TEST(ScriptOutcomeTest, SetIsItsBitsAsOneDecimalNumber) {
  std::bitset<256> bits;
  EXPECT_EQ(OutcomeText(pascal::TValue::Set(bits)), "Set: 0");
  bits.set(0);
  bits.set(2);
  EXPECT_EQ(OutcomeText(pascal::TValue::Set(bits)), "Set: 5");
  bits.reset();
  bits.set(64);
  EXPECT_EQ(OutcomeText(pascal::TValue::Set(bits)), "Set: 18446744073709551616");
}

TEST_F(SendToScriptTest, ErrorsBecomeTheirNumberAndMessageOnOneLine) {
  const std::string outcome = Run("begin\r\n  Result := 1;\r\n  Result := ;\r\nend.\r\n");
  EXPECT_TRUE(outcome.starts_with("script result:1: ")) << outcome;
  EXPECT_NE(outcome.find("3"), std::string::npos) << outcome;
  EXPECT_EQ(outcome.find('\n'), std::string::npos);

  const std::string missing =
      TSendToScript(home.Path(), "u", nullptr, scripts.Path() / "none.pas").RunScript();
  EXPECT_TRUE(missing.starts_with("script result:13: ")) << missing;
}

TEST_F(SendToScriptTest, ScriptReadsUrlAndItemsAndMayChangeThem) {
  EXPECT_EQ(Run("begin Result := url; end.", nullptr, "local file"), "local file");
  EXPECT_EQ(Run("begin if extractedItems = nil then Result := 'none' else Result := 'some'; end."), "none");

  std::vector<std::string> items = {"one", "two", "three"};
  EXPECT_EQ(Run("begin\r\n  WriteLn(extractedItems.Count, ' ', extractedItems[1]);\r\n"
                "  extractedItems.Add('four');\r\n  Result := URL;\r\nend.",
                &items, "http://h/"),
            "http://h/");
  EXPECT_EQ(written, "3 two\n");
  EXPECT_EQ(items, (std::vector<std::string>{"one", "two", "three", "four"}));
}

TEST_F(SendToScriptTest, UnitsAreFoundBesideTheScriptThenInTheHomeThenInItsSamples) {
  const auto unit = [](const std::string& where) {
    return "unit Where;\r\ninterface\r\nfunction Place: string;\r\nimplementation\r\n"
           "function Place: string;\r\nbegin\r\n  Result := '" + where + "';\r\nend;\r\nend.\r\n";
  };
  const std::string program = "uses Where;\r\nbegin\r\n  Result := Place;\r\nend.\r\n";
  std::filesystem::create_directories(home.Path() / "samples");
  test::WriteFile(home.Path() / "samples" / "where.pas", unit("samples"));
  EXPECT_EQ(Run(program), "samples");
  test::WriteFile(home.Path() / "Where.pas", unit("home"));
  EXPECT_EQ(Run(program), "home");
  test::WriteFile(scripts.Path() / "Where.pas", unit("beside"));
  EXPECT_EQ(Run(program), "beside");

  const std::string missing = Run("uses Nowhere;\r\nbegin\r\nend.\r\n");
  EXPECT_TRUE(missing.starts_with("script result:11: ")) << missing;
}

TEST(ScriptLogOutputTest, PiecesOfTextBecomeWholeLines) {
  std::vector<std::string> lines;
  TScriptLogOutput output([&lines](const std::string& line) { lines.push_back(line); });
  output.Write("a");
  output.Write("b\nc\r\n");
  output.Write("\nd");
  EXPECT_EQ(lines, (std::vector<std::string>{"ab", "c", ""}));
  output.Flush();
  EXPECT_EQ(lines, (std::vector<std::string>{"ab", "c", "", "d"}));
}

}  // namespace
}  // namespace varnelo::scripting
