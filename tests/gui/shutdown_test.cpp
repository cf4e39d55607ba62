// Closing the window while a robot works: the workers stop, save where they were, and only then does
// the program end.
#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "config/config_store.h"
#include "desktop_fixture.h"
#include "qt_wait.h"
#include "support/loopback_server.h"
#include "support/scripted_answer.h"

namespace varnelo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using TAnswer = base::TDialogsPort::TAnswer;

bool Asked(const TLoopbackServer& server, std::string_view target) {
  for (const TRecordedRequest& request : server.Requests()) {
    if (request.Method() == "GET" && request.Target() == target) return true;
  }
  return false;
}

TEST(WindowShutdownTest, ClosingWhileARobotWaitsForASilentPageSavesItsWorkAndThenEnds) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Ok("<html><body>page</body></html>"));
  server.AnswerMethod("GET", "/p2.html", TScriptedAnswer().Pause(120s));

  TTempHome home;
  const fs::path bookmarks = home.Path() / "urllist" / "pages.bmf";
  WriteFile(bookmarks, server.Url("/p1.html") + "\r\n" + server.Url("/p2.html") + "\r\n" + server.Url("/p3.html") +
                           "\r\n");
  fs::create_directories(home.Path() / "saved");
  WriteFile(home.RobotConfigPath(),
            "[general]\r\nnextrobot=1\r\n[dictionary]\r\n[Pages]\r\nDataFrom=Download Specified Web/Ftp/News "
            "pages\r\nrobotno=0\r\nnbsimul=1\r\nBookmarkfile=" +
                bookmarks.string() + "\r\nSeeOnScreen=0\r\nSaveDirectory=" + (home.Path() / "saved").string() +
                "\r\n");

  TRecordingDialogs dialogs;
  TRecordingShellOpen shellOpen;
  gui::TDesktop desktop(home.Path(), TDesktopFixture::Application(), {&dialogs, &shellOpen});
  desktop.Start();
  dialogs.answers.push_back(TAnswer::Yes);  // start the list over
  ASSERT_EQ(desktop.Model().Runner().Start("Pages"), runner::TStartOutcome::Started);
  ASSERT_TRUE(WaitUntil([&] { return Asked(server, "/p2.html"); }));

  dialogs.answers.push_back(TAnswer::Yes);  // "Fermer le programme ?"
  desktop.MainWindow().close();
  ASSERT_EQ(dialogs.questions.back().text, "Fermer le programme ?");
  EXPECT_TRUE(desktop.Model().ShuttingDown());
  // The window waits, its loop running, for the worker to end.
  EXPECT_TRUE(WaitUntil([&] { return desktop.Model().ShutdownComplete(); }, 10s));
  EXPECT_EQ(desktop.Model().Runner().RunningWorkerCount(), 0);
  EXPECT_TRUE(desktop.Model().Tabs().Tabs().empty());
  EXPECT_EQ(config::TConfigStore(home.RobotConfigPath()).ReadString("Pages", "urlthread0*1", ""),
            server.Url("/p1.html") + "," + server.Url("/p3.html") + "," + server.Url("/p2.html") + ",not_processing");
}

}  // namespace
}  // namespace varnelo::test
