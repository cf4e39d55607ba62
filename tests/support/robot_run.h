#pragma once

#include <filesystem>
#include <memory>

#include "base/main_queue.h"
#include "base/result_tabs.h"
#include "base/robot_ports.h"
#include "base/worker.h"
#include "results/headless_browser.h"
#include "support/recording_ports.h"

namespace varnelo::test {

// The ports of a robot run in a test: the test's thread is the main thread, and the log, the tabs and
// the documents opened are recorded.
class TRobotRun {
public:
  explicit TRobotRun(std::filesystem::path home) : ports{mainQueue, std::move(home), log, tabs, shellOpen, dialogs} {}

  // Starts `worker` and runs the main queue until its end handler has run.
  void RunToEnd(std::unique_ptr<base::TWorker> worker);
  // Browser tabs get a headless browser that really loads their pages.
  void UseHeadlessBrowsers() { tabs.SetBrowserFactory(&browsers); }

  base::TMainQueue mainQueue;
  results::THeadlessBrowserFactory browsers{mainQueue};
  TRecordingLog log;
  base::TResultTabs tabs;
  TRecordingShellOpen shellOpen;
  TRecordingDialogs dialogs;
  base::TRobotPorts ports;
};

}  // namespace varnelo::test
