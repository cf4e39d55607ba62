// A stop (SIGINT) ends varnelo-cli soon whatever its robot is waiting for: a server that never
// answers, or a script that never ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_e2e_fixture.h"

namespace varnelo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::Contains;

// Far beyond what a stopped run needs, far below the 90 s read time-out it would otherwise wait.
constexpr std::chrono::seconds kStopBound{10};

class StopE2eTest : public CliE2eTest {
protected:
  // Runs the robot (`option` before its name when given) until `ready` holds, sends SIGINT and gives
  // the exit status (-1 when it still ran after kStopBound).
  int StopWhen(const std::string& robot, const std::function<bool(const TCliProcess&)>& ready, std::string& err,
               const std::string& option = "") {
    TCliProcess cli(Words(option.empty() ? std::vector<std::string>{"run", robot}
                                         : std::vector<std::string>{"run", option, robot}));
    EXPECT_TRUE(WaitFor([&] { return ready(cli); })) << cli.Err();
    cli.Signal(SIGINT);
    const int status = cli.Wait(kStopBound);
    err = cli.Err();
    return status;
  }

  bool Asked(std::string_view method, std::string_view target) const {
    const std::vector<std::string> targets = Targets(method);
    return std::find(targets.begin(), targets.end(), target) != targets.end();
  }
};

// Where the backup finds its server silent.
struct TSilentPoint {
  const char* name;
  const char* method;
};

class BackupStopE2eTest : public StopE2eTest, public ::testing::WithParamInterface<TSilentPoint> {};

TEST_P(BackupStopE2eTest, ExitsSoonAfterSigint) {
  WriteConfig("[general]\r\nnextrobot=1\r\n[dictionary]\r\n[Copie]\r\nDataFrom=Web Site Backup\r\nrobotno=0\r\n"
              "nbsimul=1\r\nContentType=*/*\r\nMaximalSize=10000M\r\nWebSiteName=Copie\r\n");
  WriteFile(home_.Path() / "Copie.url", server_.Url("/index.html") + "\r\n");
  // The start's redirect walk (HEAD) or the first page's fetch (GET) gets no answer at all.
  server_.AnswerMethod("HEAD", "/index.html",
                       std::string(GetParam().method) == "HEAD"
                           ? TScriptedAnswer().Pause(120s)
                           : TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"));
  server_.AnswerMethod("GET", "/index.html", TScriptedAnswer().Pause(120s));

  std::string err;
  EXPECT_EQ(StopWhen("Copie", [&](const TCliProcess&) { return Asked(GetParam().method, "/index.html"); }, err), 130) << err;
  EXPECT_EQ(Store().ReadString("Copie", "running", ""), "0") << err;
}

INSTANTIATE_TEST_SUITE_P(Phases, BackupStopE2eTest,
                         ::testing::Values(TSilentPoint{"RedirectWalk", "HEAD"}, TSilentPoint{"PageFetch", "GET"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StopE2eTest, SpecifiedPagesRobotAtASilentPageExitsSoonAfterSigintAndKeepsThatPageToDo) {
  const fs::path bookmarks = home_.Path() / "urllist" / "pages.bmf";
  WriteFile(bookmarks, server_.Url("/p1.html") + "\r\n" + server_.Url("/p2.html") + "\r\n" + server_.Url("/p3.html") +
                           "\r\n");
  fs::create_directories(home_.Path() / "saved");
  WriteConfig("[general]\r\nnextrobot=1\r\n[dictionary]\r\n[Pages]\r\nDataFrom=Download Specified Web/Ftp/News "
              "pages\r\nrobotno=0\r\nnbsimul=1\r\nBookmarkfile=" + bookmarks.string() +
              "\r\nSeeOnScreen=0\r\nSaveDirectory=" + (home_.Path() / "saved").string() + "\r\n");
  server_.AnswerOthers(TScriptedAnswer::Ok("<html><body>page</body></html>"));
  server_.AnswerMethod("GET", "/p2.html", TScriptedAnswer().Pause(120s));

  std::string err;
  EXPECT_EQ(StopWhen("Pages", [&](const TCliProcess&) { return Asked("GET", "/p2.html"); }, err, "--reset"), 130)
      << err;
  EXPECT_EQ(Store().ReadString("Pages", "urlthread0*1", ""),
            server_.Url("/p1.html") + "," + server_.Url("/p3.html") + "," + server_.Url("/p2.html") + ",not_processing")
      << err;
  EXPECT_EQ(Store().ReadString("Pages", "running", ""), "0") << err;
}

TEST_F(StopE2eTest, ScriptRobotInAnEndlessLoopExitsSoonAfterSigint) {
  const fs::path script = home_.Path() / "boucle.pas";
  // The script says it has started, then loops for ever; some turns sleep.
  WriteFile(script, "var i: Integer;\r\nbegin\r\n  WriteLn('en boucle');\r\n  while True do\r\n  begin\r\n"
                    "    Inc(i);\r\n    if i mod 1000 = 0 then Sleep(5000);\r\n  end;\r\nend.\r\n");
  WriteConfig("[general]\r\n[dictionary]\r\n[Boucle]\r\nDataFrom=Script (use it for database request)\r\n"
              "robotno=0\r\nScriptName=" + script.string() + "\r\nSeeOnScreen=0\r\n");

  std::string err;
  const auto looping = [](const TCliProcess& cli) { return cli.Err().find("en boucle") != std::string::npos; };
  EXPECT_EQ(StopWhen("Boucle", looping, err), 130) << err;
  EXPECT_THAT(LinesOf(err), Contains("starting thread(Boucle)")) << err;
}

TEST_F(StopE2eTest, SearchEngineScriptInAnEndlessLoopExitsSoonAfterSigint) {
  const fs::path script = home_.Path() / "boucle.pas";
  WriteFile(script, "var i: Integer;\r\nbegin\r\n  WriteLn('en boucle');\r\n  while True do Inc(i);\r\nend.\r\n");
  WriteConfig("[general]\r\nnextrobot=1\r\n[dictionary]\r\n[Moteurs]\r\nDataFrom=Search engine functionality\r\n"
              "robotno=0\r\nnbsimul=1\r\nSeeOnScreen=0\r\nSendToScript=1\r\nScriptName=" + script.string() + "\r\n");
  const fs::path engines = home_.Path() / "Robot Definitions" / "Moteurs";
  fs::create_directories(engines);
  WriteFile(engines / "page.def", "[Properties]\r\ngetquery=" + server_.Url("/page") + "\r\nrss=0\r\n");
  server_.AnswerOthers(TScriptedAnswer::Ok("ligne\r\n"));

  std::string err;
  const auto looping = [](const TCliProcess& cli) { return cli.Err().find("en boucle") != std::string::npos; };
  EXPECT_EQ(StopWhen("Moteurs", looping, err), 130) << err;
  EXPECT_THAT(LinesOf(err), Contains("Robot Moteurs s'est terminé")) << err;
}

}  // namespace
}  // namespace varnelo::test
