#include "scripting/thread_local_file.h"

#include <system_error>

#include "config/config_keys.h"
#include "network/text_lines.h"
#include "platform/atomic_file.h"
#include "scripting/script_run.h"

namespace varnelo::scripting {

TThreadLocalFile::TThreadLocalFile(runner::TRobotPorts& ports, std::string robotName)
    : TWorker(ports.mainQueue),
      ports_(ports),
      robotName_(std::move(robotName)),
      settings_(TScriptRobotSettings::Read(config::TConfigStore(ports.home / config::kRobotConfigFile), robotName_)) {}

void TThreadLocalFile::Execute() {
  std::optional<std::string> content;
  try {
    content = platform::ReadWholeFile(settings_.LocalFile);
  } catch (const std::system_error&) {
  }
  // A file that cannot be read ends the run without a word.
  if (!content) return;
  lines_ = network::SplitTextLines(*content);
  if (settings_.SendToScript) RunScriptForRobot(ports_, settings_.ScriptName, "local file", &lines_);
  if (!settings_.SeeOnScreen) return;
  const std::string url = ResultFileUrl(settings_.TempFileName);
  MainQueue().Post([&shellOpen = ports_.shellOpen, url] { shellOpen.OpenUrl(url); });
}

}  // namespace varnelo::scripting
