#pragma once

#include <string>

#include "scripting/script_robot_worker.h"

namespace varnelo::scripting {

// A robot of the kind "Script (use it for database request)": runs the user's script once, logs its
// outcome and can open the result file the script wrote.
class TThreadscript : public TScriptRobotWorker {
public:
  TThreadscript(base::TRobotPorts& ports, std::string robotName) : TScriptRobotWorker(ports, std::move(robotName)) {}

protected:
  void Execute() override;
};

}  // namespace varnelo::scripting
