#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_store.h"
#include "scripting/thread_local_file.h"
#include "scripting/thread_script.h"
#include "support/robot_run.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::scripting {
namespace {

class ScriptRobotsTest : public ::testing::Test {
protected:
  void Configure(const std::string& robot, const std::vector<std::pair<std::string, std::string>>& keys) {
    for (const auto& [key, value] : keys) store.WriteString(robot, key, value);
  }
  std::string Script(const std::string& source) {
    const std::filesystem::path file = files.Path() / "robot.pas";
    test::WriteFile(file, source);
    return file.string();
  }

  test::TTempHome home;
  test::TTempDir files;
  config::TConfigStore store{home.RobotConfigPath()};
  test::TRobotRun run{home.Path()};
};

TEST_F(ScriptRobotsTest, ScriptRobotLogsWhatTheScriptWritesThenItsOutcome) {
  Configure("db", {{"ScriptName", Script("begin\r\n  WriteLn('stored ', 3);\r\n  Result := url;\r\nend.\r\n")}});
  run.RunToEnd(std::make_unique<TThreadscript>(run.ports, "db"));
  EXPECT_EQ(run.log.lines, (std::vector<std::string>{"stored 3", "script"}));
  EXPECT_TRUE(run.shellOpen.urls.empty());
}

TEST_F(ScriptRobotsTest, ScriptRobotOpensTheResultFileWithForwardSlashes) {
  Configure("db", {{"ScriptName", Script("begin\r\n  if extractedItems = nil then Result := 'nil';\r\nend.\r\n")},
                   {"SeeOnScreen", "1"},
                   {"TempFileName", "C:\\out\\page.html"}});
  run.RunToEnd(std::make_unique<TThreadscript>(run.ports, "db"));
  EXPECT_EQ(run.log.lines, (std::vector<std::string>{"nil"}));
  EXPECT_EQ(run.shellOpen.urls, (std::vector<std::string>{"file://C:/out/page.html"}));
}

TEST_F(ScriptRobotsTest, ScriptDialogsAreTheProgramsDialogs) {
  Configure("ask", {{"ScriptName", Script("begin\r\n  ShowMessage('hello');\r\n"
                                          "  WriteLn(InputBox('Name', 'Your name?', 'nobody'));\r\n"
                                          "  if MessageDlg('Store?', mtConfirmation, [mbYes, mbNo], 0) = mrYes then\r\n"
                                          "    Result := 'stored' else Result := 'skipped';\r\nend.\r\n")}});
  run.dialogs.inputs.push_back("Ada");
  run.dialogs.answers.push_back(base::TDialogsPort::TAnswer::Yes);
  run.RunToEnd(std::make_unique<TThreadscript>(run.ports, "ask"));
  using TShown = test::TRecordingDialogs::TShown;
  EXPECT_EQ(run.dialogs.messages, (std::vector<TShown>{{"hello", "Varnelo", base::TDialogsPort::TIcon::None}}));
  EXPECT_EQ(run.dialogs.questions,
            (std::vector<TShown>{{"Store?", "Confirmation", base::TDialogsPort::TIcon::Question}}));
  EXPECT_EQ(run.log.lines, (std::vector<std::string>{"Ada", "stored"}));
}

TEST_F(ScriptRobotsTest, LocalFileRobotHandsTheLinesOfItsFileToTheScript) {
  test::WriteFile(files.Path() / "in.txt", "first\r\nsecond\nthird");
  Configure("reader",
            {{"ScriptName", Script("begin\r\n  Result := url + ' ' + IntToStr(extractedItems.Count) + ' ' + "
                                   "extractedItems[2];\r\nend.\r\n")},
             {"SendToScript", "1"},
             {"Local File", (files.Path() / "in.txt").string()}});
  run.RunToEnd(std::make_unique<TThreadLocalFile>(run.ports, "reader"));
  EXPECT_EQ(run.log.lines, (std::vector<std::string>{"local file 3 third"}));
}

TEST_F(ScriptRobotsTest, LocalFileRobotWithoutScriptOnlyOpensTheResultFile) {
  test::WriteFile(files.Path() / "in.txt", "x\r\n");
  Configure("reader", {{"Local File", (files.Path() / "in.txt").string()},
                       {"SeeOnScreen", "1"},
                       {"TempFileName", "/tmp/r.html"}});
  run.RunToEnd(std::make_unique<TThreadLocalFile>(run.ports, "reader"));
  EXPECT_TRUE(run.log.lines.empty());
  EXPECT_EQ(run.shellOpen.urls, (std::vector<std::string>{"file:///tmp/r.html"}));
}

TEST_F(ScriptRobotsTest, UnreadableLocalFileEndsTheRunSilently) {
  Configure("reader", {{"Local File", (files.Path() / "missing.txt").string()},
                       {"SendToScript", "1"},
                       {"ScriptName", Script("begin Result := 1; end.")},
                       {"SeeOnScreen", "1"}});
  run.RunToEnd(std::make_unique<TThreadLocalFile>(run.ports, "reader"));
  EXPECT_TRUE(run.log.lines.empty());
  EXPECT_TRUE(run.shellOpen.urls.empty());
}

}  // namespace
}  // namespace varnelo::scripting
