#include "runner/robot_runner.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "config/config_keys.h"
#include "config/robot_kinds.h"
#include "retrieval/polite_gate.h"
#include "runner/robot_runner_impl.h"

namespace varnelo::runner {
namespace {

constexpr std::string_view kErrorCaption = "Erreur";
// The caption of the robot panel's own start item, which names no robot.
constexpr std::string_view kStartCaption = "&Start";

// Whether the script a script robot would run can be read now; a run without one would only log its
// absence and end as if it had worked.
bool ScriptReadable(const std::filesystem::path& script) {
  std::error_code error;
  if (script.empty() || !std::filesystem::is_regular_file(script, error)) return false;
  return std::ifstream(script, std::ios::binary).is_open();
}

}  // namespace

TRobotRunner::TImpl::TImpl(base::TRobotPorts& ports, base::TIndicatorsPort& indicators, TRobotWorkerTable& workerTable,
                           TRobotList& robotList)
    : ports_(ports),
      indicators_(indicators),
      workerTable_(workerTable),
      robotList_(robotList),
      fetchLog_([&ports](std::string_view line) {
        ports.mainQueue.Post([&log = ports.log, text = std::string(line)] { log.AppendLine(text); });
      }) {
  // What any worker adds to a robot's tabs counts as rows found by the robot's run.
  rowsAdded_ = ports_.tabs.RowsAdded.Connect([this](const base::TTabSheet& tab, size_t, size_t count) {
    progress_.RowsFound(tab.Desc.RobotName, count);
  });
}

std::shared_ptr<network::TRequestGate> TRobotRunner::TImpl::PoliteGate(const std::string& robot) {
  std::weak_ptr<network::TRequestGate>& held = politeGates_[robot];
  if (std::shared_ptr<network::TRequestGate> gate = held.lock()) return gate;
  std::shared_ptr<network::TRequestGate> gate = retrieval::MakePoliteGate(Store(), robot, ports_.mainQueue, ports_.log);
  held = gate;
  return gate;
}

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
  ports_.dialogs.MessageBox(message, kErrorCaption, base::TDialogsPort::TIcon::Error);
}

void TRobotRunner::TImpl::ReleaseTab(base::TTabId tab) { ports_.tabs.ReleaseOwner(tab); }

const TRobotRunner::TImpl::TKindStart* TRobotRunner::TImpl::KindStartOf(std::string_view kind) {
  static constexpr TKindStart kKindStarts[] = {
      {config::kind::kSearchEngine,
       [](TImpl& runner, const std::string& robot, int count) { runner.CreateSearchEngineThread(robot, count, ""); },
       true},
      {config::kind::kWebSiteKeywordsSearch,
       [](TImpl& runner, const std::string& robot, int) { runner.CreateThreadWebSiteKeywordsSearch(robot); }},
      {config::kind::kWebSiteBackup,
       [](TImpl& runner, const std::string& robot, int) { runner.CreateThreadWebSiteBackup(robot); }},
      {config::kind::kReadLocalFile,
       [](TImpl& runner, const std::string& robot, int) { runner.CreateThreadLocalFile(robot); }},
      {config::kind::kScript, [](TImpl& runner, const std::string& robot, int) { runner.CreateThreadScript(robot); }},
      {config::kind::kSpecifiedPages,
       [](TImpl& runner, const std::string& robot, int count) { runner.ConfirmAndCreateThreadBookmark(robot, count); },
       true},
      {config::kind::kRandomHttpQuery,
       [](TImpl& runner, const std::string& robot, int count) { runner.CreateThreadRandomHttpQuery(robot, count); },
       true},
  };
  for (const TKindStart& entry : kKindStarts) {
    if (entry.kind == kind) return &entry;
  }
  return nullptr;
}

std::string TRobotRunner::TImpl::KindOf(const std::string& robot) const {
  return config::Read(Store(), robot, config::key::kDataFromRunner);
}

TStartOutcome TRobotRunner::TImpl::Start(const std::string& robot) {
  if (robot.empty()) {
    ShowError(kChooseRobotToStart);
    return TStartOutcome::Refused;
  }
  const config::TConfigStore store = Store();
  const int robotno = config::Read(store, robot, config::key::kRobotNo);
  const std::string kind = config::Read(store, robot, config::key::kDataFromRunner);
  if (kind == config::kind::kRandomHttpQuery && config::Read(store, robot, config::key::kDictRunner) == 0) {
    ShowError(kAssociateDictionary);
    return TStartOutcome::Refused;
  }
  if (workerTable_.Running(robotno)) {
    ShowError(kStillRunning);
    return TStartOutcome::Refused;
  }
  const TKindStart* kindStart = KindStartOf(kind);
  if (!kindStart) return TStartOutcome::NotARobot;
  const int count = config::Read(store, robot, config::key::kNbSimul);
  if (kindStart->takesCount && count < 1) {
    ShowError(kNoSimultaneousWorker);
    return TStartOutcome::Refused;
  }
  if (kind == config::kind::kScript && !ScriptReadable(config::Read(store, robot, config::key::kScriptName))) {
    ShowError(kScriptUnreadable);
    return TStartOutcome::Refused;
  }
  kindStart->start(*this, robot, count);
  return TStartOutcome::Started;
}

void TRobotRunner::TImpl::Stop(const std::string& robot) {
  if (robot.empty()) {
    ShowError(kChooseRobotToStop);
    return;
  }
  const config::TConfigStore store = Store();
  // Without its section the robot has no workers, and its default number would name another robot's.
  if (store.ReadSection(robot).empty()) return;
  WriteRobotRunningConfig(robot);
  const int robotno = RobotNo(robot);
  if (robotno < 0) return;
  for (base::TWorker* worker : workerTable_.Entry(robotno)) worker->Terminate();
}

TRobotRunner::TRobotRunner(base::TRobotPorts& ports, base::TIndicatorsPort& indicators, TRobotWorkerTable& workerTable,
                           TRobotList& robotList)
    : impl_(std::make_unique<TImpl>(ports, indicators, workerTable, robotList)) {}

TRobotRunner::~TRobotRunner() = default;

TStartOutcome TRobotRunner::Start(const std::string& robot) { return impl_->Start(robot); }

void TRobotRunner::Stop(const std::string& robot) { impl_->Stop(robot); }

std::string TRobotRunner::KindOf(const std::string& robot) const { return impl_->KindOf(robot); }

bool TRobotRunner::ExecBtnClick(const TSender& sender) {
  // A robot whose kind starts nothing still closes the panel.
  return Start(impl_->RobotOf(sender, kStartCaption)) != TStartOutcome::Refused;
}

void TRobotRunner::AbortBtnClick(const TSender& sender) {
  // The stop menu's items name robots; no caption of it stands for the selection.
  Stop(impl_->RobotOf(sender, {}));
}

void TRobotRunner::CreateSearchEngineThread(const std::string& robot, int count, std::string_view query) {
  impl_->CreateSearchEngineThread(robot, count, query);
}

bool TRobotRunner::Running(std::string_view robot) const { return impl_->Running(robot); }

int TRobotRunner::RunningWorkerCount() const { return impl_->RunningWorkerCount(); }

TRunProgressTable& TRobotRunner::Progress() { return impl_->Progress(); }

}  // namespace varnelo::runner
