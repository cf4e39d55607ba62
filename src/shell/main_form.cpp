#include "shell/main_form.h"

#include "config/config_keys.h"
#include "config/work_item.h"
#include "network/tls_settings.h"
#include "results/categories.h"

namespace varnelo::shell {
namespace fs = std::filesystem;

bool HasRequiredSections(const std::vector<std::string>& sections) { return sections.size() >= 2; }

TMainForm::TMainForm(fs::path home, TMainQueue& mainQueue, TMainFormPorts ports)
    : home_(std::move(home)),
      mainQueue_(mainQueue),
      ports_(ports),
      robotPorts_{mainQueue_, home_, ports_.log, tabs_, ports_.shellOpen, ports_.dialogs},
      runner_(robotPorts_, ports_.indicators, workerTable_, robotList_) {
  mainQueue_.SetErrorHandler([this](const std::exception& error) { ShowException(error); });
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
    ports_.dialogs.MessageBox(kMissingSectionsMessage, "error", TDialogsPort::TIcon::Error);
    closeRequested_ = true;
  }
  workerTable_.Reset(config::Read(store, config::section::kGeneral, config::key::kNextRobotAtStartup));

  robotList_.Clear();
  for (const std::string& robot : runner::TRobotList::RobotSections(sections)) {
    robotList_.AddIdle(robot);
    config::ResetInterruptedRandomQueryItems(store, robot);
  }
  quickSearchMenu_.Build(store, config::TConfigStore(results::CategoryFilePath(home_)), home_ / "favicon");
}

bool TMainForm::CloseQuery() {
  if (ports_.dialogs.Question(kCloseQuestion, "Question", false) != TDialogsPort::TAnswer::Yes) return false;
  Shutdown();
  return true;
}

void TMainForm::Shutdown() {
  ports_.indicators.SetTrayIconVisible(false);
  workerTable_.TerminateAll();
  mainQueue_.RunUntil([this] { return workerTable_.RunningWorkerCount() <= 0; });
}

void TMainForm::ShowException(const std::exception& error) {
  ports_.dialogs.ApplicationError(std::string(kErrorPrefix) + error.what());
}

void TMainForm::SetBrowser(bool firefox) {
  config::Write(RobotConfig(), config::section::kGeneral, config::key::kBrowser, firefox ? "firefox" : "ie");
  browserIsFirefox_ = firefox;
}

}  // namespace varnelo::shell
