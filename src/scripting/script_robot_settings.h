#pragma once

#include <string>
#include <string_view>

#include "config/config_store.h"

namespace varnelo::scripting {

// The settings of a script robot or local file robot, read from its section when its worker is made.
struct TScriptRobotSettings {
  std::string ScriptName;
  bool SeeOnScreen = false;
  std::string TempFileName;
  bool SendToScript = false;
  std::string LocalFile;

  static TScriptRobotSettings Read(const config::TConfigStore& store, std::string_view robot);
};

// "file://" and the result file's path with every "\" made "/", as the result file is opened.
std::string ResultFileUrl(std::string_view tempFileName);

}  // namespace varnelo::scripting
