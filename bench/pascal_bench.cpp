// The script interpreter against the same programs compiled by Free Pascal (-O2): integer additions, string
// building and a recursive Fibonacci. Only the compiled program's run is timed, not its compilation; both
// sides must print the same thing.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pascal/interpreter.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

constexpr int kFpcRounds = 5;
constexpr int kOurRounds = 2;

struct TWorkload {
  const char* name;
  const char* source;
};

const TWorkload kWorkloads[] = {
    {"additions",
     "program Additions;\n"
     "var i: Integer; total: Int64;\n"
     "begin\n"
     "  total := 0;\n"
     "  for i := 1 to 10000000 do\n"
     "    total := total + i;\n"
     "  WriteLn(total);\n"
     "end.\n"},
    {"strings",
     "program Strings;\n"
     "var i: Integer; s: string;\n"
     "begin\n"
     "  s := '';\n"
     "  for i := 1 to 1000000 do\n"
     "    s := s + Chr(65 + i mod 26);\n"
     "  WriteLn(Length(s), ' ', Copy(s, 500000, 8));\n"
     "end.\n"},
    {"fibonacci",
     "program Fibonacci;\n"
     "function Fib(n: Integer): Integer;\n"
     "begin\n"
     "  if n < 2 then\n"
     "    Result := n\n"
     "  else\n"
     "    Result := Fib(n - 1) + Fib(n - 2);\n"
     "end;\n"
     "begin\n"
     "  WriteLn(Fib(27));\n"
     "end.\n"},
};

[[noreturn]] void Die(const std::string& message) {
  std::fprintf(stderr, "pascal_bench: %s\n", message.c_str());
  std::exit(1);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs a program with its output going to `outputFile`; its exit status, or -1.
int RunCommand(const std::vector<std::string>& argv, const fs::path& outputFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int spawned = ::posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Seconds(TClock::time_point start) { return std::chrono::duration<double>(TClock::now() - start).count(); }

// The best of a few runs of the compiled program, and what it printed.
std::pair<double, std::string> RunFpc(const TWorkload& workload, const fs::path& folder) {
  const fs::path source = folder / (std::string(workload.name) + ".pas");
  std::ofstream(source) << workload.source;
  const fs::path log = folder / "compile.txt";
  if (RunCommand({"fpc", "-Mdelphi", "-O2", "-v0", "-FE" + folder.string(), source.string()}, log) != 0)
    Die("fpc failed on " + std::string(workload.name) + ":\n" + ReadFile(log));
  const fs::path output = folder / "output.txt";
  double best = 1e9;
  for (int round = 0; round < kFpcRounds; ++round) {
    auto start = TClock::now();
    if (RunCommand({(folder / workload.name).string()}, output) != 0) Die("the compiled program failed");
    best = std::min(best, Seconds(start));
  }
  return {best, ReadFile(output)};
}

std::pair<double, std::string> RunOurs(const TWorkload& workload) {
  double best = 1e9;
  std::string printed;
  for (int round = 0; round < kOurRounds; ++round) {
    printed.clear();
    varnelo::pascal::TInterpreterHost host;
    host.output = [&printed](const std::string& text) { printed += text; };
    varnelo::pascal::TInterpreter interpreter(host);
    auto start = TClock::now();
    try {
      interpreter.Run(workload.source);
    } catch (const varnelo::pascal::TScriptError& error) {
      Die(std::string(workload.name) + ": " + error.what());
    }
    best = std::min(best, Seconds(start));
  }
  return {best, printed};
}

}  // namespace

int main() {
  const varnelo::test::TTempDir scratch;
  const fs::path& folder = scratch.Path();
  double logSum = 0;
  for (const TWorkload& workload : kWorkloads) {
    auto [fpcSeconds, fpcOutput] = RunFpc(workload, folder);
    auto [ourSeconds, ourOutput] = RunOurs(workload);
    if (ourOutput != fpcOutput) Die(std::string(workload.name) + ": outputs differ: ours \"" + ourOutput + "\", fpc \"" + fpcOutput + "\"");
    std::printf("%-10s ours %8.3f s   fpc -O2 %8.4f s   ratio %7.1f\n", workload.name, ourSeconds, fpcSeconds,
                ourSeconds / fpcSeconds);
    logSum += std::log(ourSeconds / fpcSeconds);
  }
  std::printf("RATIO pascal-vs-fpc %.3f\n", std::exp(logSum / std::size(kWorkloads)));
  return 0;
}
