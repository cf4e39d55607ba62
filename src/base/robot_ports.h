#pragma once

#include <filesystem>

#include "base/dialogs_port.h"
#include "base/log_port.h"
#include "base/main_queue.h"
#include "base/result_tabs.h"
#include "base/shell_open_port.h"

namespace varnelo::base {

// What a robot's workers reach outside themselves. The log, the tabs, the dialogs and the shell-open
// port are main-thread objects: workers use them only through the main queue.
struct TRobotPorts {
  TMainQueue& mainQueue;
  std::filesystem::path home;
  TLogPort& log;
  TResultTabs& tabs;
  TShellOpenPort& shellOpen;
  // For the dialogs of user scripts.
  TDialogsPort& dialogs;
};

}  // namespace varnelo::base
