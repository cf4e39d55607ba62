#pragma once

#include <string>
#include <vector>

#include "base/robot_ports.h"
#include "base/worker.h"
#include "scripting/script_robot_settings.h"

namespace varnelo::scripting {

// What the script robot and the local file robot share: their settings, a script run whose writing
// and outcome reach the program log, and the result file opened at the end. A termination request
// stops the script at its next statement (or within a Sleep).
class TScriptRobotWorker : public base::TWorker {
public:
  const std::string& RobotName() const { return robotName_; }

protected:
  // Reads the robot's settings.
  TScriptRobotWorker(base::TRobotPorts& ports, std::string robotName);

  // Runs the robot's script on this thread; its dialogs show on the main thread, and what it writes
  // and then its outcome line are appended to the log, line by line.
  void RunScript(std::string urlText, std::vector<std::string>* items);
  // With SeeOnScreen, opens the result file the script wrote, without waiting.
  void OpenResultFile();

  const TScriptRobotSettings& Settings() const { return settings_; }

private:
  base::TRobotPorts& ports_;
  const std::string robotName_;
  const TScriptRobotSettings settings_;
};

}  // namespace varnelo::scripting
