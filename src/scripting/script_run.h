#pragma once

#include <string>
#include <vector>

#include "runner/robot_ports.h"
#include "runner/worker.h"

namespace varnelo::scripting {

// Runs a script through the bridge on a worker's thread: what it writes and its outcome line reach the
// program log through the main queue, line by line.
void RunScriptForRobot(runner::TRobotPorts& ports, const std::string& scriptName, std::string urlText,
                       std::vector<std::string>* items);

}  // namespace varnelo::scripting
