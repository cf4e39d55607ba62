#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "runner/robot_ports.h"

namespace varnelo::scripting {

// Runs the user's script at `scriptPath` through the script bridge, from whichever thread calls it:
// what the script writes goes to the program log line by line, then its outcome line; its dialogs show
// through the program's dialogs. Log and dialogs are reached on the main thread.
void RunLoggedScript(runner::TRobotPorts& ports, std::string urlText, std::vector<std::string>* items,
                     const std::filesystem::path& scriptPath);

}  // namespace varnelo::scripting
