#pragma once

#include <filesystem>
#include <memory>

#include "results/headless_browser.h"
#include "results/result_tabs.h"
#include "runner/robot_ports.h"
#include "runner/worker.h"
#include "shell/main_queue.h"
#include "support/recording_ports.h"

namespace varnelo::test {

// The ports of a robot run in a test: the test's thread is the main thread, and the log, the tabs and
// the documents opened are recorded.
class TRobotRun {
public:
  explicit TRobotRun(std::filesystem::path home) : ports{mainQueue, std::move(home), log, tabs, shellOpen, dialogs} {}

  // Starts `worker` and runs the main queue until its end handler has run.
  void RunToEnd(std::unique_ptr<runner::TWorker> worker);
  // Browser tabs get a headless browser that really loads their pages.
  void UseHeadlessBrowsers() { tabs.SetBrowserFactory(&browsers); }

  shell::TMainQueue mainQueue;
  results::THeadlessBrowserFactory browsers{mainQueue};
  TRecordingLog log;
  results::TResultTabs tabs;
  TRecordingShellOpen shellOpen;
  TRecordingDialogs dialogs;
  runner::TRobotPorts ports;
};

}  // namespace varnelo::test
