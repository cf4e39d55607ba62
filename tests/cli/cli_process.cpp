#include "cli/cli_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "support/temp_home.h"

extern char** environ;

namespace varnelo::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kPoll = 10ms;

}  // namespace

TCliProcess::TCliProcess(const std::vector<std::string>& words, bool onTerminal) {
  std::vector<std::string> argv{VARNELO_CLI_PATH};
  argv.insert(argv.end(), words.begin(), words.end());
  std::vector<char*> pointers;
  for (std::string& word : argv) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  const std::string out = (outputs_.Path() / "stdout").string();
  const std::string err = (outputs_.Path() / "stderr").string();

  std::string terminalName;
  if (onTerminal) {
    terminal_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal_ < 0 || ::grantpt(terminal_) != 0 || ::unlockpt(terminal_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    terminalName = ::ptsname(terminal_);
    ::fcntl(terminal_, F_SETFL, ::fcntl(terminal_, F_GETFL) | O_NONBLOCK);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (onTerminal) {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, terminalName.c_str(), O_RDWR | O_NOCTTY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDERR_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  // The child starts with the default signal handling, whatever this process blocks.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  const int failed = posix_spawn(&pid_, pointers[0], &actions, &attributes, pointers.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error("cannot start " + argv[0]);
}

TCliProcess::~TCliProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (terminal_ >= 0) ::close(terminal_);
}

void TCliProcess::Signal(int signal) const {
  if (pid_ > 0) ::kill(pid_, signal);
}

int TCliProcess::Wait(std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int raw = 0;
    if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
      pid_ = -1;
      if (WIFEXITED(raw)) return WEXITSTATUS(raw);
      return WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(kPoll);
  }
}

bool TCliProcess::WaitForError(std::string_view text, std::chrono::seconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (Err().find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return true;
}

std::string TCliProcess::Out() const { return ReadFile(outputs_.Path() / "stdout"); }

std::string TCliProcess::Err() const {
  if (terminal_ < 0) return ReadFile(outputs_.Path() / "stderr");
  char buffer[4096];
  for (ssize_t got; (got = ::read(terminal_, buffer, sizeof buffer)) > 0;) terminalOutput_.append(buffer, static_cast<size_t>(got));
  return terminalOutput_;
}

void TCliProcess::Type(std::string_view text) const {
  if (terminal_ >= 0 && ::write(terminal_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    throw std::runtime_error("cannot type on the terminal");
  }
}

TCliResult RunCli(const std::vector<std::string>& words) {
  TCliProcess process(words);
  TCliResult result;
  result.status = process.Wait();
  result.out = process.Out();
  result.err = process.Err();
  return result;
}

std::vector<std::string> LinesOf(std::string_view text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    begin = end + 1;
  }
  return lines;
}

}  // namespace varnelo::test
