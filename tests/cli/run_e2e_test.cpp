// The robot kinds that run one worker per start, run through varnelo-cli: the two web site kinds
// against a small site on a loopback server, the script and the local file robots; and the starts that
// are refused or fail.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_e2e_fixture.h"

namespace varnelo::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

// The files under `folder` (recursively) by name.
std::vector<std::string> FileNames(const fs::path& folder) {
  std::vector<std::string> names;
  if (!fs::exists(folder)) return names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  }
  return names;
}

class SiteE2eTest : public CliE2eTest {
protected:
  SiteE2eTest() {
    Serve("/site/index.html", "text/html",
          "<html><head><title>Accueil</title></head><body>\n<p>Bienvenue</p>\n"
          "<a href=\"a.html\">A</a> <a href=\"b.txt\">B</a>\n</body></html>\n");
    Serve("/site/a.html", "text/html", "<html><body><p>Le mot Varnelo est ici</p></body></html>\n");
    Serve("/site/b.txt", "text/plain", "ligne un\r\nencore varnelo\r\n");
  }

  // GET gives the document; HEAD its head alone.
  void Serve(const std::string& path, const std::string& type, const std::string& body) {
    server_.Answer(path, TScriptedAnswer::Ok(body, "Content-Type: " + type + "\r\n"));
    server_.AnswerMethod("HEAD", path,
                         TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " +
                                              std::to_string(body.size()) + "\r\n\r\n"));
  }

  void WriteSiteRobot(const std::string& robot, const std::string& kind, const std::string& extraKeys) const {
    WriteConfig("[general]\r\nnextrobot=1\r\n[dictionary]\r\n[" + robot + "]\r\nDataFrom=" + kind +
                "\r\nrobotno=0\r\nnbsimul=1\r\nContentType=*/*\r\nMaximalSize=10000M\r\n" + extraKeys);
    WriteFile(home_.Path() / (robot + ".url"), server_.Url("/site/index.html") + "\r\n");
  }
};

TEST_F(SiteE2eTest, KeywordSearchListsEveryPageWithThePhrase) {
  WriteSiteRobot("Mots", "Web Site Keywords Search", "Keywords=varnelo\r\nWebSiteName=Mon site\r\n");

  const TCliResult run = Run({"run", "Mots"});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(LinesOf(run.out),
              UnorderedElementsAre("Web Site: Mon site\t" + server_.Url("/site/a.html") + "\tLe mot Varnelo est ici",
                                   "Web Site: Mon site\t" + server_.Url("/site/b.txt") +
                                       "\tencore <b><A name=\"found1\">varnelo</A></b>"));
  // The keyword search logs no start line.
  EXPECT_EQ(LinesOf(run.err), std::vector<std::string>{"Mon site s'est terminé"});
  EXPECT_EQ(FileNames(home_.Path() / "result").size(), 2u);
  EXPECT_EQ(Store().ReadString("Mots", "running", ""), "0");
}

TEST_F(SiteE2eTest, BackupStoresTheSiteAndShowsItsFirstPage) {
  const fs::path mht = home_.Path() / "copie.mht";
  WriteSiteRobot("Sauvegarde", "Web Site Backup", "WebSiteName=Copie\r\nMhtFile=" + mht.string() + "\r\n");

  const TCliResult run = Run({"run", "Sauvegarde"});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LinesOf(run.err), (std::vector<std::string>{"starting thread(Sauvegarde)", "Copie s'est terminé"}));
  const fs::path store = home_.Path() / "website" / "Copie";
  EXPECT_THAT(FileNames(store), UnorderedElementsAre("index.html", "a.html", "b.txt"));
  ASSERT_EQ(LinesOf(run.out).size(), 1u) << run.out;
  EXPECT_THAT(run.out, StartsWith("Web Site: Copie\tfile://" + store.string() + "/"));
  EXPECT_THAT(run.out, HasSubstr("index.html\n"));
  ASSERT_TRUE(fs::exists(mht));
  EXPECT_THAT(ReadFile(mht), HasSubstr("Le mot Varnelo est ici"));
}

class ScriptE2eTest : public CliE2eTest {
protected:
  std::string Script(const std::string& source) const {
    const fs::path file = home_.Path() / "robot.pas";
    WriteFile(file, source);
    return file.string();
  }
};

TEST_F(ScriptE2eTest, ScriptRobotLogsItsOutcomeThenOpensItsResultFile) {
  const fs::path result = home_.Path() / "out.html";
  WriteConfig("[general]\r\n[dictionary]\r\n[Base]\r\nDataFrom=Script (use it for database request)\r\n"
              "robotno=0\r\nScriptName=" +
              Script("begin\r\n  WriteLn('\xC3\xA9" "crit ', 3);\r\n  Result := 42;\r\nend.\r\n") +
              "\r\nSeeOnScreen=1\r\nTempFileName=" + result.string() + "\r\n");

  const TCliResult run = Run({"run", "Base"});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LinesOf(run.err), (std::vector<std::string>{"starting thread(Base)", "\xC3\xA9" "crit 3", "42",
                                                        "open file://" + result.string(), "Robot Base s'est terminé"}));
  EXPECT_EQ(run.out, "");
}

TEST_F(ScriptE2eTest, LocalFileRobotHandsItsLinesToTheScript) {
  const fs::path lines = home_.Path() / "lignes.txt";
  WriteFile(lines, "un\r\ndeux\ntrois\r\n");
  WriteConfig("[general]\r\n[dictionary]\r\n[Fichier]\r\nDataFrom=Read Local File\r\nrobotno=0\r\nLocal File=" +
              lines.string() + "\r\nSendToScript=1\r\nSeeOnScreen=0\r\nScriptName=" +
              Script("begin\r\n  Result := url + ' ' + IntToStr(extractedItems.Count) + ' ' + extractedItems[2];\r\n"
                     "end.\r\n") +
              "\r\n");

  const TCliResult run = Run({"run", "Fichier"});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LinesOf(run.err),
            (std::vector<std::string>{"starting thread(Fichier)", "local file 3 trois", "Robot Fichier s'est terminé"}));
}

struct TFailedStart {
  const char* name;
  std::string section;  // the robot's section, below [Robot]
  std::string urls;     // Robot.url, written when not empty
  std::string message;  // the whole standard error
  std::vector<std::string> options = {};  // after "run" and the robot's name
};

class FailedStartE2eTest : public CliE2eTest, public ::testing::WithParamInterface<TFailedStart> {};

// Nothing starts, the reason is on standard error, and the exit status says it failed.
TEST_P(FailedStartE2eTest, ExitsWithOne) {
  WriteConfig("[general]\r\n[dictionary]\r\n[Robot]\r\nrobotno=0\r\n" + GetParam().section);
  if (!GetParam().urls.empty()) WriteFile(home_.Path() / "Robot.url", GetParam().urls);
  std::vector<std::string> words{"run", "Robot"};
  words.insert(words.end(), GetParam().options.begin(), GetParam().options.end());
  const TCliResult run = Run(words);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, GetParam().message);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(server_.Requests(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedStartE2eTest,
    ::testing::Values(
        TFailedStart{"randomQueryWithoutDictionary", "DataFrom=Random Http Query\r\nnbsimul=2\r\n", "",
                     "varnelo-cli: Vous devez associer un dictionnaire avec un robot\n"},
        TFailedStart{"scriptRobotWithoutScript", "DataFrom=Script (use it for database request)\r\n", "",
                     "varnelo-cli: Le script de ce robot est introuvable ou illisible\n"},
        TFailedStart{"scriptRobotWhoseScriptIsGone",
                     "DataFrom=Script (use it for database request)\r\nScriptName=/nonexistent/gone.pas\r\n", "",
                     "varnelo-cli: Le script de ce robot est introuvable ou illisible\n"},
        TFailedStart{"searchEngineWithoutWorkers", "DataFrom=Search engine functionality\r\nnbsimul=0\r\n", "",
                     "varnelo-cli: Le nombre de processus simultanés de ce robot doit être au moins 1\n"},
        TFailedStart{"specifiedPagesWithoutWorkers",
                     "DataFrom=Download Specified Web/Ftp/News pages\r\nnbsimul=0\r\n", "",
                     "varnelo-cli: Le nombre de processus simultanés de ce robot doit être au moins 1\n", {"--keep"}},
        TFailedStart{"randomQueryWithoutWorkers", "DataFrom=Random Http Query\r\ndict=1\r\nnbsimul=0\r\n", "",
                     "varnelo-cli: Le nombre de processus simultanés de ce robot doit être au moins 1\n"},
        // The start shows its message and starts nothing, though it was not refused.
        TFailedStart{"backupUrlThatDoesNotParse", "DataFrom=Web Site Backup\r\n",
                     "http://127.0.0.1/\r\ngopher://127.0.0.1/\r\n", "varnelo-cli: erreur dans le format d'URL\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliE2eTest, BackupWithoutItsUrlFileReportsTheFileError) {
  WriteConfig("[general]\r\n[dictionary]\r\n[Copie]\r\nDataFrom=Web Site Backup\r\nrobotno=0\r\n");
  const TCliResult run = Run({"run", "Copie"});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, StartsWith("varnelo-cli: ERROR: "));
  EXPECT_THAT(run.err, HasSubstr("Copie.url"));
}

}  // namespace
}  // namespace varnelo::test
