#pragma once

#include <filesystem>

#include "results/result_tabs.h"
#include "shell/dialogs_port.h"
#include "shell/log_port.h"
#include "shell/main_queue.h"
#include "shell/shell_open_port.h"

namespace varnelo::runner {

// What a robot's workers reach outside themselves. The log, the tabs, the dialogs and the shell-open
// port are main-thread objects: workers use them only through the main queue.
struct TRobotPorts {
  shell::TMainQueue& mainQueue;
  std::filesystem::path home;
  shell::TLogPort& log;
  results::TResultTabs& tabs;
  shell::TShellOpenPort& shellOpen;
  // For the dialogs of user scripts.
  shell::TDialogsPort& dialogs;
};

}  // namespace varnelo::runner
