#include "scripting/logged_script_run.h"

#include "scripting/script_dialogs.h"
#include "scripting/script_log_output.h"
#include "scripting/send_to_script.h"

namespace varnelo::scripting {

void RunLoggedScript(base::TRobotPorts& ports, std::string urlText, std::vector<std::string>* items,
                     const std::filesystem::path& scriptPath, const std::atomic<bool>* stop) {
  const auto appendLine = [&ports](const std::string& line) {
    ports.mainQueue.Synchronize([&] { ports.log.AppendLine(line); });
  };
  TScriptLogOutput written(appendLine);
  TScriptHooks hooks;
  hooks.output = [&written](const std::string& text) { written.Write(text); };
  ConnectDialogs(hooks, ports.dialogs, ports.mainQueue);
  if (stop != nullptr) hooks.stopRequested = [stop] { return stop->load(); };
  TSendToScript bridge(ports.home, std::move(urlText), items, scriptPath, std::move(hooks));
  const std::string outcome = bridge.RunScript();
  written.Flush();
  appendLine(outcome);
}

}  // namespace varnelo::scripting
