#include "dictionary_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/temp_home.h"

namespace varnelo::cli {
namespace {

TEST(ProgressLineTest, RewritesOneLineAndEndsIt) {
  std::ostringstream out;
  TProgressLine line(out);
  line.Finish();
  EXPECT_EQ(out.str(), "");
  line.Show(search::TDictionaryPhase::Reading, 7);
  line.Show(search::TDictionaryPhase::Writing, 100);
  line.Finish();
  EXPECT_EQ(out.str(), "\rreading   7%\rwriting 100%\n");
}

TEST(DictionaryCommandTest, ProgressGoesToErrorsWhenAsked) {
  test::TTempHome home;
  const auto file = home.Path() / "dictionary" / "w.txt";
  test::WriteFile(file, "b\r\na\r\n");
  std::ostringstream out;
  std::ostringstream errors;
  EXPECT_EQ(RunDictionary(home.Path(), {"add", file.string()}, out, errors, true), 0);
  EXPECT_EQ(out.str(), "1\t" + file.string() + "\n");
  EXPECT_EQ(errors.str().back(), '\n');
  EXPECT_NE(errors.str().find("\rwriting 100%"), std::string::npos) << errors.str();
}

TEST(DictionaryCommandTest, ListSkipsNumbersWithoutAPath) {
  test::TTempHome home("[general]\r\nnextnodic=4\r\n[dictionary]\r\nfile1=/a.txt\r\nfile3=/c.txt\r\nfile4=/d.txt\r\n");
  std::ostringstream out;
  std::ostringstream errors;
  EXPECT_EQ(RunDictionary(home.Path(), {"list"}, out, errors, false), 0);
  EXPECT_EQ(out.str(), "1\t/a.txt\n3\t/c.txt\n");
  EXPECT_EQ(errors.str(), "");
}

}  // namespace
}  // namespace varnelo::cli
