#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/indicators_port.h"
#include "base/robot_ports.h"
#include "runner/robot_list.h"
#include "runner/robot_worker_table.h"
#include "runner/run_progress.h"
#include "runner/sender.h"

namespace varnelo::runner {

// Messages of the runner (caption "Erreur").
inline constexpr std::string_view kChooseRobotToStart = "Choississez un robot dans la liste";
inline constexpr std::string_view kChooseRobotToStop = "Choisissez un robot dans la liste";
inline constexpr std::string_view kAssociateDictionary = "Vous devez associer un dictionnaire avec un robot";
inline constexpr std::string_view kStillRunning = "Des processus de ce robot sont encore en fonction";
inline constexpr std::string_view kNoSimultaneousWorker =
    "Le nombre de processus simultanés de ce robot doit être au moins 1";
inline constexpr std::string_view kScriptUnreadable = "Le script de ce robot est introuvable ou illisible";
inline constexpr std::string_view kUrlFormatError = "erreur dans le format d'URL";
// The confirmation before a specified-pages start (caption "Confirmation", "Oui" = Yes, "Non" = No).
inline constexpr std::string_view kResetQuestion = "Voulez-vous réinitialiser tous les données déjà traitées";
inline constexpr std::string_view kConfirmationCaption = "Confirmation";

// What a start by name came to.
enum class TStartOutcome {
  Started,
  // A refusal was shown; nothing started.
  Refused,
  // The robot's `DataFrom` names no robot kind (or it has no section): nothing started, nothing shown.
  NotARobot,
};

// The robot runner: starts robots by kind, divides the work of the dividing kinds among workers,
// chains and stops them, and keeps the robot list's labels, the indicators and each run's progress.
// Front ends drive it by robot name. Main thread only.
class TRobotRunner {
public:
  TRobotRunner(base::TRobotPorts& ports, base::TIndicatorsPort& indicators, TRobotWorkerTable& workerTable,
               TRobotList& robotList);
  ~TRobotRunner();
  TRobotRunner(const TRobotRunner&) = delete;
  TRobotRunner& operator=(const TRobotRunner&) = delete;

  // Starts the robot by its kind after the refusals (no robot named, no dictionary for a random
  // query robot, live workers). A file error of the start propagates to the caller (the application's
  // error dialog).
  TStartOutcome Start(const std::string& robot);
  // Stops the robot: `running` false, then every live worker gets its termination request; the end
  // handlers do the rest. An empty name is refused.
  void Stop(const std::string& robot);
  // The robot's kind (`DataFrom`), empty when it has none.
  std::string KindOf(const std::string& robot) const;

  // The robot panel's start command: the robot the sender names (a menu item other than "&Start"),
  // else the selected one. True when the start went past the refusals, so the panel closes.
  bool ExecBtnClick(const TSender& sender);
  // The robot panel's stop command: the robot the sender names, else the selected one.
  void AbortBtnClick(const TSender& sender);

  // A search engine run with `query` (not encoded yet); also the quick search bar's GO.
  void CreateSearchEngineThread(const std::string& robot, int count, std::string_view query);

  // Whether the robot has a live worker.
  bool Running(std::string_view robot) const;
  // The running worker count of all robots.
  int RunningWorkerCount() const;
  // How far each robot's run has got; its ProgressChanged signal names the robot.
  TRunProgressTable& Progress();

private:
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

// A web site robot's `ContentType` as its crawl takes it: split at "," and each item trimmed.
std::vector<std::string> ExtractContentType(std::string_view text);

// The query as the search engine run puts it into the engines' URLs: the bytes 0x00–0x20 and
// 0x7F–0xFF, '"', '%', '`' and < > [ \ ] ^ _ { | } ~ as "%" and two upper-case hex digits.
std::string EncodeSearchQuery(std::string_view query);

}  // namespace varnelo::runner
