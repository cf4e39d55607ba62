#pragma once

#include <string>

#include "runner/robot_ports.h"
#include "runner/worker.h"
#include "scripting/script_robot_settings.h"

namespace varnelo::scripting {

// A robot of the kind "Script (use it for database request)": runs the user's script once, logs its
// outcome and can open the result file the script wrote. A run, once started, goes to its end.
class TThreadscript : public runner::TWorker {
public:
  TThreadscript(runner::TRobotPorts& ports, std::string robotName);

  const std::string& RobotName() const { return robotName_; }

protected:
  void Execute() override;

private:
  runner::TRobotPorts& ports_;
  const std::string robotName_;
  const TScriptRobotSettings settings_;
};

}  // namespace varnelo::scripting
