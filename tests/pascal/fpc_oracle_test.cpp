// Every corpus program must print exactly what the same source prints when compiled by Free Pascal.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"
#include "support/temp_dir.h"

extern char** environ;

namespace varnelo::pascal {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = VARNELO_FPC_CORPUS;

std::vector<std::string> CorpusNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kCorpus, error))
    if (entry.path().extension() == ".pas") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<fs::path> FindFpc() {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    fs::path candidate = fs::path(folder.empty() ? "." : folder) / "fpc";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs a program with stdout and stderr going to `outputFile`, from `folder`; its exit status, or -1.
int RunCommand(const std::vector<std::string>& argv, const fs::path& outputFile, const fs::path& folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int spawned = ::posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Programs that write files do so in the current folder; both runs use the scratch folder, one after the other.
class TCurrentFolder {
 public:
  explicit TCurrentFolder(const fs::path& folder) : saved_(fs::current_path()) { fs::current_path(folder); }
  TCurrentFolder(const TCurrentFolder&) = delete;
  TCurrentFolder& operator=(const TCurrentFolder&) = delete;
  ~TCurrentFolder() {
    std::error_code ignored;
    fs::current_path(saved_, ignored);
  }

 private:
  fs::path saved_;
};

std::vector<fs::path> FolderEntries(const fs::path& folder) {
  std::vector<fs::path> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) entries.push_back(entry.path());
  std::sort(entries.begin(), entries.end());
  return entries;
}

class FpcOracleTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FpcOracleTest, PrintsWhatFreePascalPrints) {
  std::optional<fs::path> fpc = FindFpc();
  if (!fpc) GTEST_SKIP() << "fpc is not installed (make deps installs it); the Free Pascal oracle cannot run";
  const fs::path source = kCorpus / (GetParam() + ".pas");
  const varnelo::test::TTempDir scratch;
  const fs::path compilerLog = scratch.Path() / "compile.txt";
  int compiled = RunCommand({fpc->string(), "-Mdelphi", "-v0", "-FE" + scratch.Path().string(), source.string()},
                            compilerLog, scratch.Path());
  ASSERT_EQ(compiled, 0) << "fpc rejected " << source << ":\n" << ReadFile(compilerLog);

  const fs::path expectedFile = scratch.Path() / "expected.txt";
  int ran = RunCommand({(scratch.Path() / GetParam()).string()}, expectedFile, scratch.Path());
  ASSERT_EQ(ran, 0) << "the compiled program failed:\n" << ReadFile(expectedFile);
  const std::string expected = ReadFile(expectedFile);

  // What the compiled program left behind must not be what the interpreter finds.
  const fs::path runFolder = scratch.Path() / "run";
  fs::create_directory(runFolder);
  testing::TRunOutcome outcome;
  {
    TCurrentFolder inRunFolder(runFolder);
    outcome = testing::RunProgram(ReadFile(source));
  }
  EXPECT_EQ(FolderEntries(runFolder), std::vector<fs::path>{}) << "the program left files behind";
  EXPECT_FALSE(outcome.error) << "the interpreter stopped: " << outcome.error->what();
  EXPECT_EQ(outcome.output, expected) << "left: our interpreter, right: Free Pascal, for " << source;
}

INSTANTIATE_TEST_SUITE_P(Corpus, FpcOracleTest, ::testing::ValuesIn(CorpusNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace varnelo::pascal
