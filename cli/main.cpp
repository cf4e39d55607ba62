#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "command_line.h"
#include "dictionary_command.h"
#include "list_command.h"
#include "run_arguments.h"
#include "run_command.h"
#include "script_command.h"
#include "stop_signals.h"
#include "config/config_keys.h"
#include "network/tls_settings.h"
#include "platform/home_directory.h"

namespace {

constexpr int kUsageError = 2;

int Fail(const std::string& message) {
  std::cerr << "varnelo-cli: " << message << '\n';
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace varnelo;
  const cli::TCommandLine line = cli::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!line.error.empty()) return Fail(line.error + "\nTry 'varnelo-cli --help'.");
  if (line.help) {
    std::cout << cli::Usage();
    return 0;
  }
  if (line.version) {
    std::cout << "varnelo-cli " << VARNELO_VERSION << '\n';
    return 0;
  }
  if (line.command.empty()) {
    std::cerr << cli::Usage();
    return kUsageError;
  }
  if (line.command == "list") {
    if (!line.arguments.empty()) return Fail("'list' takes no arguments");
  } else if (line.command == "dictionary") {
    if (const std::string problem = cli::CheckDictionaryArguments(line.arguments); !problem.empty()) return Fail(problem);
  } else if (line.command == "script") {
    std::string problem;
    cli::ParseScriptArguments(line.arguments, problem);
    if (!problem.empty()) return Fail(problem);
  } else if (line.command == "run" || line.command == "search") {
    std::string problem;
    cli::ParseRunArguments(line.command == "search", line.arguments, line.endOfOptions, problem);
    if (!problem.empty()) return Fail(problem);
  } else {
    return Fail("unknown command '" + line.command + "'\nTry 'varnelo-cli --help'.");
  }

  try {
    const auto home = platform::ResolveHome(line.home);
    platform::EnsureHome(home, platform::FindTemplate());
    network::SetTlsConfigFile(home / config::kRobotConfigFile);
    if (line.command == "dictionary") {
      return cli::RunDictionary(home, line.arguments, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
    }
    if (line.command == "script") {
      std::string problem;
      return cli::RunScript(home, cli::ParseScriptArguments(line.arguments, problem), std::cout, std::cerr);
    }
    if (line.command == "run" || line.command == "search") {
      std::string problem;
      const cli::TRunArguments arguments =
          cli::ParseRunArguments(line.command == "search", line.arguments, line.endOfOptions, problem);
      // Before any worker thread exists, so that they all inherit the blocked signals.
      cli::TStopSignals stopSignals;
      const bool errorsIsTerminal = ::isatty(STDERR_FILENO) == 1;
      const cli::TRunConsole console{std::cout, std::cerr, errorsIsTerminal,
                                     errorsIsTerminal && ::isatty(STDIN_FILENO) == 1, STDIN_FILENO,
                                     [&stopSignals] { return stopSignals.Take(); }};
      return cli::RunRobot(home, arguments, console);
    }
    return cli::RunList(home, std::cout, std::cerr);
  } catch (const platform::EHomeError& error) {
    return Fail(error.what());
  } catch (const std::exception& error) {
    std::cerr << "varnelo-cli: ERROR: " << error.what() << '\n';
    return 1;
  }
}
