#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs_port.h"
#include "base/indicators_port.h"
#include "base/log_port.h"
#include "base/main_queue.h"
#include "base/result_tabs.h"
#include "base/robot_ports.h"
#include "base/shell_open_port.h"
#include "base/signal.h"
#include "config/config_store.h"
#include "forms/frm_dock_arrow_button.h"
#include "forms/new_robot_frm.h"
#include "forms/quick_search_bar.h"
#include "runner/robot_list.h"
#include "runner/robot_runner.h"
#include "runner/robot_worker_table.h"
#include "search/quick_search_menu.h"

namespace varnelo::shell {

inline constexpr std::string_view kProductCaption = "Varnelo 1.61";
inline constexpr std::string_view kMissingSectionsMessage =
    "Robotconfig.ini doit avoir une section [general] et [dictionary]";
inline constexpr std::string_view kCloseQuestion = "Fermer le programme ?";
inline constexpr std::string_view kErrorPrefix = "ERROR: ";

// The ports through which the main window's core reaches its front end.
struct TMainFormPorts {
  base::TLogPort& log;
  base::TDialogsPort& dialogs;
  base::TIndicatorsPort& indicators;
  base::TShellOpenPort& shellOpen;
};

// Whether a configuration file has the two sections that the start-up requires; only their number
// is counted.
bool HasRequiredSections(const std::vector<std::string>& sections);

// The main window without its widgets: the start-up that turns robotconfig.ini into the runner's
// tables and the robot list, the application-wide error path, the browser choice, and the shutdown
// that waits for every worker. Main thread only.
class TMainForm {
public:
  TMainForm(std::filesystem::path home, base::TMainQueue& mainQueue, TMainFormPorts ports);
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // The creation steps that need no window. A configuration file with fewer than two sections shows
  // its message and asks the front end to close the window (CloseRequested); the creation goes on.
  void Create();
  bool CloseRequested() const { return closeRequested_; }
  // On a home made just now from the template, the bar offers the first search engine robot of its
  // menu instead of a caption that names no robot, so that a new user's first search works.
  void ChooseFirstSearchRobot();

  // Closing the window: asks "Fermer le programme ?"; on Yes begins the shutdown and returns true.
  bool CloseQuery();
  // Hides the tray icon and requests every live worker to terminate. The front end then keeps
  // running its event loop (and so the main queue), so that the end handlers save their work items;
  // once the running worker count is 0 the tabs are freed from the last to the first and
  // ShutdownFinished is raised. Without live workers that happens at once.
  void BeginShutdown();
  bool ShuttingDown() const { return shuttingDown_; }
  bool ShutdownComplete() const { return shutdownComplete_; }
  // The front end may end its event loop now.
  base::TSignal<> ShutdownFinished;

  // The application-wide error dialog: "ERROR: " and the message; the program goes on.
  void ShowException(const std::exception& error);

  // The "Navigateur" menu: any stored value but exactly "firefox" means the other browser.
  bool BrowserIsFirefox() const { return browserIsFirefox_; }
  void SetBrowser(bool firefox);

  const std::filesystem::path& Home() const { return home_; }
  config::TConfigStore RobotConfig() const;
  base::TMainQueue& MainQueue() { return mainQueue_; }
  runner::TRobotWorkerTable& WorkerTable() { return workerTable_; }
  runner::TRobotList& RobotList() { return robotList_; }
  // The result tab container.
  base::TResultTabs& Tabs() { return tabs_; }
  runner::TRobotRunner& Runner() { return runner_; }
  // The robot panel, and the quick search bar above the tabs.
  runner::TFrmDockArrowButton& Panel() { return panel_; }
  search::TQuickSearchBar& QuickSearchBar() { return quickSearchBar_; }
  // The robot editor, for a new robot or for `robot`, registering what it creates with the panel.
  std::unique_ptr<config::TNewRobotFrm> OpenRobotEditor(const std::optional<std::string>& robot);
  // The quick search bar's engine menu, which the category dialogs keep in step.
  search::TQuickSearchMenu& QuickSearchMenu() { return quickSearchMenu_; }

private:
  void FinishShutdown();

  std::filesystem::path home_;
  base::TMainQueue& mainQueue_;
  TMainFormPorts ports_;
  runner::TRobotWorkerTable workerTable_;
  runner::TRobotList robotList_;
  base::TResultTabs tabs_;
  base::TRobotPorts robotPorts_;
  runner::TRobotRunner runner_;
  search::TQuickSearchMenu quickSearchMenu_;
  runner::TFrmDockArrowButton panel_;
  search::TQuickSearchBar quickSearchBar_;
  bool browserIsFirefox_ = true;
  bool closeRequested_ = false;
  bool shuttingDown_ = false;
  bool shutdownComplete_ = false;
  base::TConnection workerCountConnection_;
};

}  // namespace varnelo::shell
