#include "scripting/script_robot_worker.h"

#include "config/config_keys.h"
#include "scripting/script_dialogs.h"
#include "scripting/script_log_output.h"
#include "scripting/send_to_script.h"

namespace varnelo::scripting {

TScriptRobotWorker::TScriptRobotWorker(runner::TRobotPorts& ports, std::string robotName)
    : TWorker(ports.mainQueue),
      ports_(ports),
      robotName_(std::move(robotName)),
      settings_(TScriptRobotSettings::Read(config::TConfigStore(ports.home / config::kRobotConfigFile), robotName_)) {}

void TScriptRobotWorker::RunScript(std::string urlText, std::vector<std::string>* items) {
  const auto appendLine = [this](const std::string& line) { Synchronize([&] { ports_.log.AppendLine(line); }); };
  TScriptLogOutput written(appendLine);
  TScriptHooks hooks;
  hooks.output = [&written](const std::string& text) { written.Write(text); };
  ConnectDialogs(hooks, ports_.dialogs, ports_.mainQueue);
  TSendToScript bridge(ports_.home, std::move(urlText), items, settings_.ScriptName, std::move(hooks));
  const std::string outcome = bridge.RunScript();
  written.Flush();
  appendLine(outcome);
}

void TScriptRobotWorker::OpenResultFile() {
  if (!settings_.SeeOnScreen) return;
  MainQueue().Post([&shellOpen = ports_.shellOpen, url = ResultFileUrl(settings_.TempFileName)] {
    shellOpen.OpenUrl(url);
  });
}

}  // namespace varnelo::scripting
