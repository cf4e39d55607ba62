#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/cli_process.h"
#include "config/config_store.h"
#include "support/loopback_server.h"
#include "support/scoped_environment.h"
#include "support/scripted_answer.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::test {

// A fresh home for varnelo-cli, a loopback server for its robots, and a machine of its own: no proxy
// settings (the configuration folder is the test's), and a temporary folder of the test's for the
// documents that robots save there.
class CliE2eTest : public ::testing::Test {
protected:
  CliE2eTest() {
    environment_.Set("XDG_CONFIG_HOME", configHome_.Path().string());
    environment_.Set("TMPDIR", temp_.Path().string());
    environment_.Unset("VARNELO_EXTRA_CA_FILE");
    environment_.Unset("VARNELO_HOME");
    server_.AnswerOthers(TScriptedAnswer::Page("HTTP/1.1 404 Not Found", "Content-Type: text/html\r\n", ""));
  }

  // `words` after "--home <home>".
  std::vector<std::string> Words(std::vector<std::string> words) const {
    words.insert(words.begin(), {"--home", home_.Path().string()});
    return words;
  }
  TCliResult Run(const std::vector<std::string>& words) const { return RunCli(Words(words)); }

  void WriteConfig(std::string_view text) const { WriteFile(home_.RobotConfigPath(), text); }
  std::string Config() const { return ReadFile(home_.RobotConfigPath()); }
  config::TConfigStore Store() const { return config::TConfigStore(home_.RobotConfigPath()); }

  // The targets of the requests of `method` that the server received, in the order they came, from
  // its `since`th request on.
  std::vector<std::string> Targets(std::string_view method, size_t since = 0) const {
    const std::vector<TRecordedRequest> requests = server_.Requests();
    std::vector<std::string> targets;
    for (size_t i = since; i < requests.size(); ++i) {
      if (requests[i].Method() == method) targets.push_back(requests[i].Target());
    }
    return targets;
  }

  TScopedEnvironment environment_;
  TTempDir configHome_;
  TTempDir temp_;
  TTempHome home_;
  TLoopbackServer server_;
};

// Waits until `condition` holds; false when it did not within `limit`.
inline bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds limit = std::chrono::seconds(30)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

inline size_t CountOf(const std::vector<std::string>& lines, std::string_view line) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

}  // namespace varnelo::test
