#include "forms/main_form.h"

#include "config/config_keys.h"
#include "config/work_item.h"
#include "network/tls_settings.h"
#include "results/categories.h"

namespace varnelo::shell {
namespace fs = std::filesystem;

bool HasRequiredSections(const std::vector<std::string>& sections) { return sections.size() >= 2; }

TMainForm::TMainForm(fs::path home, base::TMainQueue& mainQueue, TMainFormPorts ports)
    : home_(std::move(home)),
      mainQueue_(mainQueue),
      ports_(ports),
      robotPorts_{mainQueue_, home_, ports_.log, tabs_, ports_.shellOpen, ports_.dialogs},
      runner_(robotPorts_, ports_.indicators, workerTable_, robotList_),
      panel_(home_, robotList_, workerTable_, quickSearchMenu_, tabs_, ports_.dialogs),
      quickSearchBar_(home_, tabs_, [this](const std::string& robot, int count, const std::string& words) {
        runner_.CreateSearchEngineThread(robot, count, words);
      }) {
  mainQueue_.SetErrorHandler([this](const std::exception& error) { ShowException(error); });
  workerCountConnection_ = workerTable_.RunningWorkerCountChanged.Connect([this](int count) {
    if (shuttingDown_ && count <= 0) FinishShutdown();
  });
}

config::TConfigStore TMainForm::RobotConfig() const { return config::TConfigStore(home_ / config::kRobotConfigFile); }

void TMainForm::Create() {
  for (const char* folder : {"email", "antiantispam-garbage"}) {
    std::error_code ignored;  // an existing folder, or one that cannot be made, stops nothing here
    fs::create_directories(home_ / folder, ignored);
  }
  ports_.indicators.SetRunning(false);
  ports_.indicators.SetTrayIconVisible(true);

  const config::TConfigStore store = RobotConfig();
  // Every HTTP client made from now on reads `tlsverify` from this home's configuration.
  network::SetTlsConfigFile(store.FileName());
  browserIsFirefox_ = config::Read(store, config::section::kGeneral, config::key::kBrowser) == "firefox";

  const std::vector<std::string> sections = store.ReadSections();
  if (!HasRequiredSections(sections)) {
    ports_.dialogs.MessageBox(kMissingSectionsMessage, "error", base::TDialogsPort::TIcon::Error);
    closeRequested_ = true;
  }
  workerTable_.Reset(config::Read(store, config::section::kGeneral, config::key::kNextRobotAtStartup));

  robotList_.Clear();
  const std::vector<std::string> robots = config::RobotSections(sections);
  for (const std::string& robot : robots) {
    robotList_.AddIdle(robot);
    config::ResetInterruptedRandomQueryItems(store, robot);
  }
  panel_.FillRobotMenus(robots);
  quickSearchMenu_.Build(store, config::TConfigStore(results::CategoryFilePath(home_)), home_ / "favicon");
}

std::unique_ptr<config::TNewRobotFrm> TMainForm::OpenRobotEditor(const std::optional<std::string>& robot) {
  auto editor = std::make_unique<config::TNewRobotFrm>(home_, ports_.dialogs, quickSearchMenu_,
                                                       [this](const std::string& name) { panel_.RegisterRobot(name); });
  if (robot) {
    editor->OpenExisting(*robot);
  } else {
    editor->OpenNew();
  }
  return editor;
}

void TMainForm::ChooseFirstSearchRobot() {
  for (const search::TQuickSearchMenu::TCategoryEntry& category : quickSearchMenu_.Entries()) {
    if (!category.robots.empty()) {
      quickSearchBar_.ChooseRobot(category.robots.front().caption);
      return;
    }
  }
}

bool TMainForm::CloseQuery() {
  if (ports_.dialogs.Question(kCloseQuestion, "Question", false) != base::TDialogsPort::TAnswer::Yes) return false;
  BeginShutdown();
  return true;
}

void TMainForm::BeginShutdown() {
  if (shuttingDown_) return;
  shuttingDown_ = true;
  ports_.indicators.SetTrayIconVisible(false);
  workerTable_.TerminateAll();
  if (workerTable_.RunningWorkerCount() <= 0) FinishShutdown();
}

void TMainForm::FinishShutdown() {
  if (shutdownComplete_) return;
  shutdownComplete_ = true;
  // Ending workers used the tabs until now.
  tabs_.CloseAllFromLast();
  ShutdownFinished();
}

void TMainForm::ShowException(const std::exception& error) {
  ports_.dialogs.ApplicationError(std::string(kErrorPrefix) + error.what());
}

void TMainForm::SetBrowser(bool firefox) {
  config::Write(RobotConfig(), config::section::kGeneral, config::key::kBrowser, firefox ? "firefox" : "ie");
  browserIsFirefox_ = firefox;
}

}  // namespace varnelo::shell
