#pragma once

#include <string>
#include <vector>

#include "runner/robot_ports.h"
#include "runner/worker.h"
#include "scripting/script_robot_settings.h"

namespace varnelo::scripting {

// A robot of the kind "Read Local File": hands the lines of a local file to the user's script, as if
// they were items taken from a web page, and can open the result file the script wrote.
class TThreadLocalFile : public runner::TWorker {
public:
  TThreadLocalFile(runner::TRobotPorts& ports, std::string robotName);

  const std::string& RobotName() const { return robotName_; }

protected:
  void Execute() override;

private:
  runner::TRobotPorts& ports_;
  const std::string robotName_;
  const TScriptRobotSettings settings_;
  std::vector<std::string> lines_;
};

}  // namespace varnelo::scripting
