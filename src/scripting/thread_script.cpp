#include "scripting/thread_script.h"

#include "config/config_keys.h"
#include "scripting/script_run.h"

namespace varnelo::scripting {

TThreadscript::TThreadscript(runner::TRobotPorts& ports, std::string robotName)
    : TWorker(ports.mainQueue),
      ports_(ports),
      robotName_(std::move(robotName)),
      settings_(TScriptRobotSettings::Read(config::TConfigStore(ports.home / config::kRobotConfigFile), robotName_)) {}

void TThreadscript::Execute() {
  RunScriptForRobot(ports_, settings_.ScriptName, "script", nullptr);
  if (!settings_.SeeOnScreen) return;
  const std::string url = ResultFileUrl(settings_.TempFileName);
  MainQueue().Post([&shellOpen = ports_.shellOpen, url] { shellOpen.OpenUrl(url); });
}

}  // namespace varnelo::scripting
