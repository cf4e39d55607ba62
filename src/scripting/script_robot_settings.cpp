#include "scripting/script_robot_settings.h"

#include <algorithm>

#include "config/config_keys.h"

namespace varnelo::scripting {

TScriptRobotSettings TScriptRobotSettings::Read(const config::TConfigStore& store, std::string_view robot) {
  TScriptRobotSettings settings;
  settings.ScriptName = config::Read(store, robot, config::key::kScriptName);
  settings.SeeOnScreen = config::Read(store, robot, config::key::kSeeOnScreen);
  settings.TempFileName = config::Read(store, robot, config::key::kTempFileName);
  settings.SendToScript = config::Read(store, robot, config::key::kSendToScript);
  settings.LocalFile = config::Read(store, robot, config::key::kLocalFile);
  return settings;
}

std::string ResultFileUrl(std::string_view tempFileName) {
  std::string url = "file://" + std::string(tempFileName);
  std::replace(url.begin(), url.end(), '\\', '/');
  return url;
}

}  // namespace varnelo::scripting
