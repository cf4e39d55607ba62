#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "base/robot_ports.h"

namespace varnelo::scripting {

// Runs a user script for a robot on the calling thread: its dialogs show on the main thread, and what
// it writes and then its outcome line are appended to the program log, line by line, through the main
// queue. `items` (may be null) is handed to the script as `extractedItems`. `stop` (the robot's
// termination request, may be null) ends the run at the script's next statement.
void RunLoggedScript(base::TRobotPorts& ports, std::string urlText, std::vector<std::string>* items,
                     const std::filesystem::path& scriptPath, const std::atomic<bool>* stop = nullptr);

}  // namespace varnelo::scripting
