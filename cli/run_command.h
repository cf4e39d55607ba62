#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "run_arguments.h"

namespace varnelo::cli {

// Where a run writes and what it may ask.
struct TRunConsole {
  std::ostream& out;     // result rows and navigations
  std::ostream& errors;  // log lines, messages, the progress line
  // Whether `errors` is a terminal (for the progress line), and whether the user can answer a
  // question there (the input and `errors` are terminals).
  bool errorsIsTerminal = false;
  bool canAsk = false;
  int input = 0;
  // Takes the stop signals that came since the last call; true when there was one.
  std::function<bool()> takeStop;
};

// "run": starts the robot as the start menu of the robot panel does; "search": starts a search run of
// a search engine robot with the words joined by blanks, as GO does. Runs the main queue until the
// robot is idle and its workers have ended; the first stop signal stops the robot and the run goes on
// until the end handlers have saved its work. Returns the exit status: 0 after a normal end, 130 after
// a stop, 1 when the start was refused or an error was shown (an error message or the application's
// error dialog), 2 when the run cannot begin (no such robot, a section whose `DataFrom` names no kind, a
// configuration without its two sections, a search with a robot of another kind, a specified-pages run
// whose question nobody can answer).
int RunRobot(const std::filesystem::path& home, const TRunArguments& arguments, const TRunConsole& console);

// The robot section a name given on the command line stands for: the section of that name, else the
// one equal to it without regard to letter case (as the store compares names); none when there is none.
std::optional<std::string> FindRobot(const std::vector<std::string>& sections, std::string_view name);

}  // namespace varnelo::cli
