#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"

namespace varnelo::test {

// The varnelo-cli program of the build run as a child process with the test's environment: its input
// is /dev/null, its standard output and error go to files, so neither is a terminal; or, `onTerminal`,
// its input and standard error are a pseudo-terminal of the test. Killed and reaped at the end if it
// still runs.
class TCliProcess {
public:
  explicit TCliProcess(const std::vector<std::string>& words, bool onTerminal = false);
  TCliProcess(const TCliProcess&) = delete;
  TCliProcess& operator=(const TCliProcess&) = delete;
  ~TCliProcess();

  void Signal(int signal) const;
  // Waits until the program has ended and gives its exit status (128 + the signal when a signal ended
  // it); -1 when it still runs after `limit`, and then it is killed.
  int Wait(std::chrono::seconds limit = std::chrono::seconds(60));
  // Waits until its standard error holds `text`; false when it did not within `limit`.
  bool WaitForError(std::string_view text, std::chrono::seconds limit = std::chrono::seconds(30)) const;

  std::string Out() const;
  // Standard error, or what was written to the terminal so far.
  std::string Err() const;
  // Types `text` on the terminal.
  void Type(std::string_view text) const;

private:
  TTempDir outputs_;
  int terminal_ = -1;  // the pseudo-terminal's master side
  mutable std::string terminalOutput_;
  pid_t pid_ = -1;
};

struct TCliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs varnelo-cli with `words` to its end.
TCliResult RunCli(const std::vector<std::string>& words);

// The lines of a text, without their line ends.
std::vector<std::string> LinesOf(std::string_view text);

}  // namespace varnelo::test
