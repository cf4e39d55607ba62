#pragma once

#include <string>
#include <vector>

#include "scripting/script_robot_worker.h"

namespace varnelo::scripting {

// A robot of the kind "Read Local File": hands the lines of a local file to the user's script, as if
// they were items taken from a web page, and can open the result file the script wrote.
class TThreadLocalFile : public TScriptRobotWorker {
public:
  TThreadLocalFile(base::TRobotPorts& ports, std::string robotName)
      : TScriptRobotWorker(ports, std::move(robotName)) {}

protected:
  void Execute() override;

private:
  std::vector<std::string> lines_;
};

}  // namespace varnelo::scripting
