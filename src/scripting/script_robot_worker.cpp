#include "scripting/script_robot_worker.h"

#include "config/config_keys.h"
#include "scripting/logged_script_run.h"

namespace varnelo::scripting {

TScriptRobotWorker::TScriptRobotWorker(base::TRobotPorts& ports, std::string robotName)
    : base::TWorker(ports.mainQueue),
      ports_(ports),
      robotName_(std::move(robotName)),
      settings_(TScriptRobotSettings::Read(config::TConfigStore(ports.home / config::kRobotConfigFile), robotName_)) {}

void TScriptRobotWorker::RunScript(std::string urlText, std::vector<std::string>* items) {
  RunLoggedScript(ports_, std::move(urlText), items, settings_.ScriptName, &TerminatedFlag());
}

void TScriptRobotWorker::OpenResultFile() {
  if (!settings_.SeeOnScreen) return;
  MainQueue().Post([&shellOpen = ports_.shellOpen, url = ResultFileUrl(settings_.TempFileName)] {
    shellOpen.OpenUrl(url);
  });
}

}  // namespace varnelo::scripting
