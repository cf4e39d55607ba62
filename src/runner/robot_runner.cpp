#include "runner/robot_runner.h"

#include "config/config_keys.h"
#include "config/robot_kinds.h"
#include "runner/robot_runner_impl.h"

namespace varnelo::runner {
namespace {

constexpr std::string_view kErrorCaption = "Erreur";
// The caption of the robot panel's own start item, which names no robot.
constexpr std::string_view kStartCaption = "&Start";

}  // namespace

TRobotRunner::TImpl::TImpl(TRobotPorts& ports, shell::TIndicatorsPort& indicators, TRobotWorkerTable& workerTable,
                           TRobotList& robotList)
    : ports_(ports), indicators_(indicators), workerTable_(workerTable), robotList_(robotList) {}

config::TConfigStore TRobotRunner::TImpl::Store() const {
  return config::TConfigStore(ports_.home / config::kRobotConfigFile);
}

int TRobotRunner::TImpl::RobotNo(std::string_view robot) const {
  return config::Read(Store(), robot, config::key::kRobotNo);
}

bool TRobotRunner::TImpl::Running(std::string_view robot) const { return workerTable_.Running(RobotNo(robot)); }

void TRobotRunner::TImpl::Relabel(std::string_view robot, std::string_view state) {
  robotList_.ChangeRobotState(robot, state);
}

void TRobotRunner::TImpl::WriteRobotRunningConfig(std::string_view robot, bool running) {
  config::Write(Store(), robot, config::key::kRunning, running);
}

void TRobotRunner::TImpl::UpdateRunningLed() { indicators_.SetRunning(workerTable_.RunningWorkerCount() > 0); }

void TRobotRunner::TImpl::Log(const std::string& line) { ports_.log.AppendLine(line); }

void TRobotRunner::TImpl::ShowError(std::string_view message) {
  ports_.dialogs.MessageBox(message, kErrorCaption, shell::TDialogsPort::TIcon::Error);
}

void TRobotRunner::TImpl::ReleaseTab(results::TTabId tab) {
  if (results::TTabSheet* sheet = ports_.tabs.Find(tab)) sheet->Desc.Owner = nullptr;
}

bool TRobotRunner::TImpl::ExecBtnClick(const TSender& sender) {
  const std::string robot = robotList_.RobotOf(sender, kStartCaption);
  if (robot.empty()) {
    ShowError(kChooseRobotToStart);
    return false;
  }
  const config::TConfigStore store = Store();
  const int robotno = config::Read(store, robot, config::key::kRobotNo);
  const std::string kind = config::Read(store, robot, config::key::kDataFromRunner);
  if (kind == config::kind::kRandomHttpQuery && config::Read(store, robot, config::key::kDictRunner) == 0) {
    ShowError(kAssociateDictionary);
    return false;
  }
  if (workerTable_.Running(robotno)) {
    ShowError(kStillRunning);
    return false;
  }
  const int count = config::Read(store, robot, config::key::kNbSimul);
  if (kind == config::kind::kSearchEngine) {
    CreateSearchEngineThread(robot, count, "");
  } else if (kind == config::kind::kWebSiteKeywordsSearch) {
    CreateThreadWebSiteKeywordsSearch(robot);
  } else if (kind == config::kind::kWebSiteBackup) {
    CreateThreadWebSiteBackup(robot);
  } else if (kind == config::kind::kReadLocalFile) {
    CreateThreadLocalFile(robot);
  } else if (kind == config::kind::kScript) {
    CreateThreadScript(robot);
  } else if (kind == config::kind::kSpecifiedPages) {
    ConfirmAndCreateThreadBookmark(robot, count);
  } else if (kind == config::kind::kRandomHttpQuery) {
    CreateThreadRandomHttpQuery(robot, count);
  }
  return true;
}

void TRobotRunner::TImpl::AbortBtnClick(const TSender& sender) {
  // The stop menu's items name robots; no caption of it stands for the selection.
  const std::string robot = robotList_.RobotOf(sender, {});
  if (robot.empty()) {
    ShowError(kChooseRobotToStop);
    return;
  }
  WriteRobotRunningConfig(robot);
  const int robotno = RobotNo(robot);
  if (robotno < 0) return;
  for (TWorker* worker : workerTable_.Entry(robotno)) worker->Terminate();
}

TRobotRunner::TRobotRunner(TRobotPorts& ports, shell::TIndicatorsPort& indicators, TRobotWorkerTable& workerTable,
                           TRobotList& robotList)
    : impl_(std::make_unique<TImpl>(ports, indicators, workerTable, robotList)) {}

TRobotRunner::~TRobotRunner() = default;

bool TRobotRunner::ExecBtnClick(const TSender& sender) { return impl_->ExecBtnClick(sender); }

void TRobotRunner::AbortBtnClick(const TSender& sender) { impl_->AbortBtnClick(sender); }

void TRobotRunner::CreateSearchEngineThread(const std::string& robot, int count, std::string_view query) {
  impl_->CreateSearchEngineThread(robot, count, query);
}

bool TRobotRunner::Running(std::string_view robot) const { return impl_->Running(robot); }

int TRobotRunner::RunningWorkerCount() const { return impl_->RunningWorkerCount(); }

}  // namespace varnelo::runner
