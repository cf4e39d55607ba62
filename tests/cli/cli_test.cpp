#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/temp_home.h"

namespace varnelo::cli {
namespace {

using namespace std::string_literals;

struct TRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs varnelo-cli with the given words and environment assignments, capturing both outputs; in
// `directory` when one is given.
TRun RunCli(const std::vector<std::string>& words, const std::string& environment = "",
            const std::string& directory = "") {
  test::TTempDir scratch;
  const auto errFile = scratch.Path() / "stderr";
  std::string command = directory.empty() ? "" : "cd " + Quote(directory) + " && ";
  command += "env " + environment + " " + Quote(VARNELO_CLI_PATH);
  for (const auto& word : words) command += " " + Quote(word);
  command += " 2>" + Quote(errFile.string()) + " </dev/null";
  TRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, got);
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = test::ReadFile(errFile);
  return run;
}

TEST(CliListTest, PrintsEveryRobotWithItsKind) {
  test::TTempHome home(
      "[general]\r\nnextrobot=3\r\n[dictionary]\r\n[Moteurs]\r\nDataFrom=Search engine functionality\r\n"
      "[General]\r\n[bookmarks]\r\nfile0=/b.bmf\r\n[Copie]\r\ndatafrom = Web Site Backup \r\n");
  const TRun run = RunCli({"--home", home.Path().string(), "list"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Moteurs(idle)\tSearch engine functionality\n"
            "General(idle)\t\n"
            "bookmarks(idle)\t\n"
            "Copie(idle)\tWeb Site Backup\n");
  EXPECT_EQ(run.err, "");
}

TEST(CliListTest, ListDoesNotChangeTheConfiguration) {
  const std::string config = "[general]\r\n[dictionary]\r\n[q]\r\nthread1*1=a,b,a,processing\r\n";
  test::TTempHome home(config);
  EXPECT_EQ(RunCli({"list", "--home", home.Path().string()}).status, 0);
  EXPECT_EQ(test::ReadFile(home.RobotConfigPath()), config);
}

TEST(CliListTest, MissingHomeIsCreatedFromTheTemplate) {
  test::TTempDir dir;
  const auto home = dir.Path() / "new-home";
  const TRun run = RunCli({"list"}, "VARNELO_HOME=" + Quote(home.string()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Recherche(idle)\tSearch engine functionality\n");
  EXPECT_TRUE(std::filesystem::is_regular_file(home / "Robot Definitions" / "Recherche" / "activeengine"));
}

TEST(CliListTest, DefaultHomeIsUnderXdgDataHome) {
  test::TTempDir dir;
  const TRun run = RunCli({"list"}, "-u VARNELO_HOME XDG_DATA_HOME=" + Quote(dir.Path().string()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(dir.Path() / "varnelo" / "robotconfig.ini"));
}

struct TFailureCase {
  const char* name;
  std::vector<std::string> words;
  const char* robotConfig;  // written into a fresh home named by --home unless null
  const char* stderrHas;
};

class CliFailureTest : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(CliFailureTest, ExitsWithTwoAndSaysWhy) {
  const TFailureCase& c = GetParam();
  test::TTempHome home(c.robotConfig ? c.robotConfig : "[general]\r\n[dictionary]\r\n");
  std::vector<std::string> words = c.words;
  if (c.robotConfig) words.insert(words.begin(), {"--home", home.Path().string()});
  const TRun run = RunCli(words);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find(c.stderrHas), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFailureTest,
    ::testing::Values(
        TFailureCase{"oneSection", {"list"}, "[general]\r\n", "Robotconfig.ini doit avoir une section [general] et [dictionary]"},
        TFailureCase{"emptyConfig", {"list"}, "", "Robotconfig.ini doit avoir une section [general] et [dictionary]"},
        TFailureCase{"homeIsAFile", {"--home", "/dev/null", "list"}, nullptr, "/dev/null is not a directory"},
        TFailureCase{"homeCannotBeMade", {"--home", "/proc/varnelo-test", "list"}, nullptr, "cannot create the home directory"},
        TFailureCase{"noCommand", {}, nullptr, "Usage: varnelo-cli"},
        TFailureCase{"unknownCommand", {"frobnicate"}, nullptr, "unknown command 'frobnicate'"},
        TFailureCase{"unknownOption", {"--frobnicate"}, nullptr, "unknown option '--frobnicate'"},
        TFailureCase{"listWithArguments", {"list", "extra"}, nullptr, "'list' takes no arguments"},
        TFailureCase{"dictionaryAlone", {"dictionary"}, nullptr, "'dictionary' needs 'add FILE' or 'list'"},
        TFailureCase{"dictionaryAddWithoutFile", {"dictionary", "add"}, nullptr, "'dictionary add' takes one file"},
        TFailureCase{"dictionaryListWithArguments", {"dictionary", "list", "x"}, nullptr, "'dictionary list' takes no arguments"},
        TFailureCase{"dictionaryMissingFile", {"dictionary", "add", "/nonexistent/words.txt"}, "[general]\r\n[dictionary]\r\n",
                     "varnelo-cli: Unable to read /nonexistent/words.txt: No such file or directory"},
        TFailureCase{"dictionaryFolder", {"dictionary", "add", "/"}, "[general]\r\n[dictionary]\r\n",
                     "varnelo-cli: Unable to read /: Is a directory"},
        TFailureCase{"runWithoutRobot", {"run"}, nullptr, "'run' needs a robot name"},
        TFailureCase{"runBothAnswers", {"run", "Pages", "--keep", "--reset"}, nullptr,
                     "'--reset' and '--keep' cannot be given together"},
        TFailureCase{"searchDashWord", {"search", "Moteurs", "-x"}, nullptr,
                     "put '--' before search words that begin with '-'"},
        TFailureCase{"runOneSection", {"run", "Pages"}, "[general]\r\n",
                     "Robotconfig.ini doit avoir une section [general] et [dictionary]"},
        TFailureCase{"runUnknownRobot", {"run", "Absent"}, "[general]\r\n[dictionary]\r\n[Present]\r\n",
                     "varnelo-cli: no robot named 'Absent' in "},
        TFailureCase{"runSettingsSection", {"run", "dictionary"}, "[general]\r\n[dictionary]\r\n",
                     "varnelo-cli: no robot named 'dictionary' in "},
        TFailureCase{"runSectionWithoutKind", {"run", "bookmarks"},
                     "[general]\r\n[dictionary]\r\n[bookmarks]\r\nfile0=/b.bmf\r\n",
                     "varnelo-cli: 'bookmarks' is not a robot: its DataFrom names no robot kind"},
        TFailureCase{"searchWithAnotherKind", {"search", "Pages", "mots"},
                     "[general]\r\n[dictionary]\r\n[Pages]\r\nDataFrom=Download Specified Web/Ftp/News pages\r\n",
                     "varnelo-cli: 'Pages' is not a search engine robot"},
        // Refused before anything starts: the missing bookmark file would otherwise give exit status 1.
        TFailureCase{"specifiedPagesWithoutAnswerOrTerminal", {"run", "pages"},
                     "[general]\r\n[dictionary]\r\n[Pages]\r\nDataFrom=Download Specified Web/Ftp/News pages\r\n"
                     "Bookmarkfile=/nonexistent/pages.bmf\r\n",
                     "varnelo-cli: 'Pages' downloads specified pages: give --reset to start its work over or --keep "
                     "to resume it"},
        TFailureCase{"dictionaryAlreadyAdded", {"dictionary", "add", "/d/words.txt"},
                     "[general]\r\nnextnodic=2\r\n[dictionary]\r\nfile1=/d/words.txt\r\n",
                     "varnelo-cli: Dictionnaire déjà ajouté\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliDictionaryTest, AddsARelativePathAsItsFullPathThenListsIt) {
  test::TTempHome home;
  const auto folder = home.Path() / "dictionary";
  test::WriteFile(folder / "mots.txt", "Zèbre\rzèbre\r\0\r  Abeille\r"s);
  const TRun add = RunCli({"--home", home.Path().string(), "dictionary", "add", "./mots.txt"}, "", folder.string());
  EXPECT_EQ(add.status, 0) << add.err;
  EXPECT_EQ(add.out, "1\t" + (folder / "mots.txt").string() + "\n");
  EXPECT_EQ(add.err, "");  // no progress line when stderr is not a terminal
  EXPECT_EQ(test::ReadFile(folder / "mots.txt"), "abeille\r\nzèbre\r\n");
  EXPECT_EQ(test::ReadFile(folder / "mots.txt.bak"), "Zèbre\rzèbre\r\0\r  Abeille\r"s);

  const TRun again = RunCli({"--home", home.Path().string(), "dictionary", "add", (folder / "mots.txt").string()});
  EXPECT_EQ(again.status, 2);
  EXPECT_EQ(again.err, "varnelo-cli: Dictionnaire déjà ajouté\n");

  test::WriteFile(folder / "autres.txt", "b\r\na\r\n");
  test::WriteFile(folder / "autres.txt.bak", "");
  const TRun second = RunCli({"--home", home.Path().string(), "dictionary", "add", (folder / "autres.txt").string()});
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, "2\t" + (folder / "autres.txt").string() + "\n");
  EXPECT_NE(second.err.find("autres.txt.bak exists"), std::string::npos) << second.err;
  EXPECT_EQ(test::ReadFile(folder / "autres.txt"), "b\r\na\r\n");

  const TRun list = RunCli({"--home", home.Path().string(), "dictionary", "list"});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, "1\t" + (folder / "mots.txt").string() + "\n2\t" + (folder / "autres.txt").string() + "\n");
}

TEST(CliTest, HelpAndVersionGoToStandardOutput) {
  const TRun help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: varnelo-cli [--home DIR] COMMAND", 0), 0u);
  const TRun version = RunCli({"list", "--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "varnelo-cli 1.61\n");
}

}  // namespace
}  // namespace varnelo::cli
