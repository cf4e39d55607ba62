// varnelo-cli run on a terminal: the specified-pages question is asked there, and a progress line is
// shown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/cli_e2e_fixture.h"

namespace varnelo::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class TerminalE2eTest : public CliE2eTest {
protected:
  TerminalE2eTest() {
    WriteFile(bookmarks_, server_.Url("/a.html") + "\r\n" + server_.Url("/b.html") + "\r\n");
    for (const char* path : {"/a.html", "/b.html"}) {
      server_.AnswerMethod("HEAD", path,
                           TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 0\r\n\r\n"));
      server_.Answer(path, TScriptedAnswer::Ok("<html><body>page</body></html>"));
    }
    // A stopped item that has done the first page: resumed by No, dropped by Yes.
    WriteConfig("[general]\r\nnextrobot=1\r\nnextNoBookmark=1\r\n[dictionary]\r\n[bookmarks]\r\nfile0=" +
                bookmarks_.string() + "\r\n[Pages]\r\nDataFrom=Download Specified Web/Ftp/News pages\r\nrobotno=0\r\n"
                "Bookmarkfile=" + bookmarks_.string() + "\r\nSaveDirectory=" + home_.Path().string() +
                "\r\nnexturlthread0=2\r\nurlthread0*1=" + server_.Url("/a.html") + "," + server_.Url("/b.html") + "," +
                server_.Url("/b.html") + ",not_processing\r\n");
  }

  const fs::path bookmarks_ = home_.Path() / "urllist" / "pages.bmf";
};

TEST_F(TerminalE2eTest, AnswerNoResumesTheStoppedItem) {
  TCliProcess cli(Words({"run", "Pages"}), true);
  ASSERT_TRUE(cli.WaitForError("Voulez-vous réinitialiser tous les données déjà traitées (oui/non) ? ")) << cli.Err();
  cli.Type("peut-etre\n");
  ASSERT_TRUE(cli.WaitForError("peut-etre\r\nVoulez-vous réinitialiser")) << cli.Err();
  cli.Type("non\n");
  EXPECT_EQ(cli.Wait(), 0) << cli.Err();
  EXPECT_EQ(Targets("GET"), std::vector<std::string>{"/b.html"});
  EXPECT_THAT(cli.Err(), HasSubstr("Robot Pages s'est terminé"));
  // The progress line was shown, then taken away before each log line.
  EXPECT_THAT(cli.Err(), HasSubstr("\r\x1b[KPages: "));
  EXPECT_THAT(cli.Err(), HasSubstr(" running, 0 rows"));
}

TEST_F(TerminalE2eTest, AnswerYesStartsOver) {
  TCliProcess cli(Words({"run", "Pages"}), true);
  cli.Type("oui\n");
  EXPECT_EQ(cli.Wait(), 0) << cli.Err();
  EXPECT_EQ(Targets("GET"), (std::vector<std::string>{"/a.html", "/b.html"}));
  EXPECT_EQ(Store().ReadString("Pages", "urlthread0*1", ""),
            server_.Url("/a.html") + "," + server_.Url("/b.html") + "," + server_.Url("/b.html") + ",processingdone");
}

// With an answer given, nothing is asked.
TEST_F(TerminalE2eTest, FlagAnswersWithoutAsking) {
  TCliProcess cli(Words({"run", "Pages", "--keep"}), true);
  EXPECT_EQ(cli.Wait(), 0) << cli.Err();
  EXPECT_THAT(cli.Err(), ::testing::Not(HasSubstr("Voulez-vous")));
  EXPECT_EQ(Targets("GET"), std::vector<std::string>{"/b.html"});
}

// The rows that a run's workers add to its tabs show in its progress line.
TEST_F(CliE2eTest, TheProgressLineCountsTheRowsOfTheRun) {
  WriteConfig("[general]\r\nnextrobot=1\r\n[dictionary]\r\n[Moteurs]\r\nDataFrom=Search engine functionality\r\n"
              "robotno=0\r\nSeeOnScreen=1\r\n");
  const fs::path engines = home_.Path() / "Robot Definitions" / "Moteurs";
  fs::create_directories(engines);
  WriteFile(engines / "flux.def", "[Properties]\r\ngetquery=" + server_.Url("/feed") + "\r\nrss=1\r\n");
  // Later than the first progress line's redraw period, so that the line with the rows is not held back.
  server_.Answer("/feed", TScriptedAnswer()
                              .Pause(std::chrono::milliseconds(600))
                              .Send("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n"
                                    "<rss version=\"2.0\"><channel><item><title>un</title></item>"
                                    "<item><title>deux</title></item></channel></rss>"));
  TCliProcess cli(Words({"run", "Moteurs"}), true);
  EXPECT_EQ(cli.Wait(), 0) << cli.Err();
  EXPECT_THAT(cli.Err(), HasSubstr("\r\x1b[KMoteurs: 1 worker running, 0 rows"));
  EXPECT_THAT(cli.Err(), HasSubstr("\r\x1b[KMoteurs: 1 worker running, 2 rows"));
}

}  // namespace
}  // namespace varnelo::test
