#include "run_command.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "base/main_queue.h"
#include "base/signal.h"
#include "cli_dialogs.h"
#include "cli_indicators.h"
#include "cli_log.h"
#include "cli_shell_open.h"
#include "config/config_keys.h"
#include "config/config_store.h"
#include "config/ini_text.h"
#include "config/robot_kinds.h"
#include "forms/main_form.h"
#include "results/headless_browser.h"
#include "row_printer.h"
#include "runner/robot_list.h"
#include "runner/robot_runner.h"
#include "runner/run_progress.h"
#include "status_line.h"
#include "terminal_question.h"

namespace varnelo::cli {
namespace {

using namespace std::chrono_literals;
using TAnswer = base::TDialogsPort::TAnswer;

constexpr int kFailed = 1;
constexpr int kCannotBegin = 2;
constexpr int kStopped = 130;
// How often the loop looks for stop signals when no hand-over wakes it, and how often the progress
// line is redrawn.
constexpr auto kTick = 100ms;
constexpr auto kStatusPeriod = 250ms;

int CannotBegin(std::ostream& errors, const std::string& message) {
  errors << "varnelo-cli: " << message << '\n';
  return kCannotBegin;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

// The answer to the specified-pages question, settled before anything starts; none when the run
// cannot go on (the message is written), with `status` set to the exit status.
std::optional<TAnswer> ResetAnswer(const std::string& robot, TResetChoice choice, const TRunConsole& console,
                                   int& status) {
  switch (choice) {
    case TResetChoice::Reset: return TAnswer::Yes;
    case TResetChoice::Keep: return TAnswer::No;
    case TResetChoice::Ask: break;
  }
  if (!console.canAsk) {
    status = CannotBegin(console.errors, "'" + robot +
                                             "' downloads specified pages: give --reset to start its work over or "
                                             "--keep to resume it");
    return std::nullopt;
  }
  switch (AskOnTerminal(runner::kResetQuestion, console.errors, console.input, console.takeStop)) {
    case TTerminalAnswer::Yes: return TAnswer::Yes;
    case TTerminalAnswer::No: return TAnswer::No;
    case TTerminalAnswer::Interrupted: break;
  }
  status = kStopped;
  return std::nullopt;
}

// The progress line of a run: its workers, its rows, and how much of its work is done.
std::string ProgressText(const std::string& robot, const runner::TRunProgress& progress) {
  std::string text = robot + ": " + std::to_string(progress.WorkersRunning) +
                     (progress.WorkersRunning == 1 ? " worker" : " workers") + " running, " +
                     std::to_string(progress.RowsFound) + (progress.RowsFound == 1 ? " row" : " rows");
  if (progress.Total) {
    text += ", " + std::to_string(progress.Done) + "/" + std::to_string(*progress.Total) + " done";
  } else if (progress.Done > 0) {
    text += ", " + std::to_string(progress.Done) + " done";
  }
  return text;
}

// The run from its start to the end of its last worker.
class TRun {
public:
  TRun(const std::filesystem::path& home, const std::string& robot, const TRunArguments& arguments,
       const TRunConsole& console)
      : robot_(robot),
        arguments_(arguments),
        console_(console),
        status_(console.errors, console.errorsIsTerminal),
        printer_(console.out, arguments.json, status_),
        log_(console.errors, status_),
        dialogs_(console.errors, status_),
        shellOpen_(log_),
        browserFactory_(queue_),
        form_(home, queue_, {log_, dialogs_, indicators_, shellOpen_}) {
    printer_.Watch(form_.Tabs());
    form_.Tabs().SetBrowserFactory(&browserFactory_);
    listening_ += form_.WorkerTable().RunningWorkerCountChanged.Connect([this](int) { UpdateEnded(); });
    listening_ += form_.RobotList().StateChanged.Connect([this](const std::string&, bool) { UpdateEnded(); });
    listening_ += form_.Runner().Progress().ProgressChanged.Connect(
        [this](const std::string& robot, const runner::TRunProgress& progress) {
          if (robot == robot_) ShowProgress(progress);
        });
  }

  int Execute() {
    form_.Create();
    if (form_.CloseRequested()) return kCannotBegin;
    int status = 0;
    if (!Prepare(status)) return status;
    bool failed = false;
    try {
      switch (Start()) {
        case runner::TStartOutcome::Started: break;
        case runner::TStartOutcome::Refused: return kFailed;  // the runner has said why
        case runner::TStartOutcome::NotARobot:
          // The runner starts nothing and says nothing.
          return CannotBegin(console_.errors, "'" + robot_ + "' is not a robot: its DataFrom names no robot kind");
      }
    } catch (const std::exception& error) {
      // Workers started before the error still run to their end.
      form_.ShowException(error);
      failed = true;
    }
    const bool stopped = WaitForTheEnd();
    if (stopped) return kStopped;
    // A start can show its error and start nothing without being refused.
    return failed || dialogs_.Errors() > 0 ? kFailed : 0;
  }

private:
  // What the kind asks of the command line before the start; false, with `status`, when the run cannot
  // begin.
  bool Prepare(int& status) {
    const std::string kind = form_.Runner().KindOf(robot_);
    if (arguments_.search) {
      if (kind == config::kind::kSearchEngine) return true;
      status = CannotBegin(console_.errors, "'" + robot_ + "' is not a search engine robot");
      return false;
    }
    if (kind != config::kind::kSpecifiedPages) return true;
    const std::optional<TAnswer> answer = ResetAnswer(robot_, arguments_.reset, console_, status);
    if (answer) dialogs_.SetResetAnswer(*answer);
    return answer.has_value();
  }

  // `run` is the robot panel's start, `search` the quick search bar's GO.
  runner::TStartOutcome Start() {
    if (!arguments_.search) return form_.Runner().Start(robot_);
    form_.QuickSearchBar().ChooseRobot(robot_);
    form_.QuickSearchBar().Go(Joined(arguments_.words));
    return runner::TStartOutcome::Started;
  }

  // The run is over when no worker of any robot is left and the robot's label is idle.
  void UpdateEnded() {
    ended_ = form_.WorkerTable().RunningWorkerCount() <= 0 && !form_.RobotList().LabelledWorking(robot_);
  }

  // Runs the main queue until the run is over; true when it was stopped.
  bool WaitForTheEnd() {
    UpdateEnded();
    bool stopped = false;
    for (;;) {
      // Looked for before the end is, so that a signal that came while the main thread was busy with
      // the last steps of the run still counts as a stop.
      if (console_.takeStop()) {
        status_.Clear();
        console_.errors << "varnelo-cli: stopping " << robot_ << ": waiting for its workers to end\n" << std::flush;
        if (!stopped) Stop();
        stopped = true;
      }
      if (ended_) break;
      queue_.WaitAndRunPending(kTick);
      if (pendingProgress_) ShowProgress(*pendingProgress_);
    }
    queue_.RunPending();
    status_.Clear();
    return stopped;
  }

  void Stop() {
    try {
      form_.Runner().Stop(robot_);
    } catch (const std::exception& error) {
      form_.ShowException(error);
    }
  }

  // Redrawn at most every kStatusPeriod; a change that comes sooner waits for the next turn of the loop.
  void ShowProgress(const runner::TRunProgress& progress) {
    if (!status_.Enabled()) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextStatus_) {
      pendingProgress_ = progress;
      return;
    }
    pendingProgress_.reset();
    nextStatus_ = now + kStatusPeriod;
    status_.Show(ProgressText(robot_, progress));
  }

  const std::string robot_;
  const TRunArguments& arguments_;
  const TRunConsole& console_;
  TStatusLine status_;
  TRowPrinter printer_;
  TCliLog log_;
  TCliDialogs dialogs_;
  TCliIndicators indicators_;
  TCliShellOpen shellOpen_;
  base::TMainQueue queue_;
  // Browser tabs load their pages, so that a script can be handed what they show.
  results::THeadlessBrowserFactory browserFactory_;
  shell::TMainForm form_;
  base::TConnections listening_;
  bool ended_ = false;
  std::chrono::steady_clock::time_point nextStatus_{};
  std::optional<runner::TRunProgress> pendingProgress_;
};

}  // namespace

std::optional<std::string> FindRobot(const std::vector<std::string>& sections, std::string_view name) {
  const std::vector<std::string> robots = config::RobotSections(sections);
  if (std::find(robots.begin(), robots.end(), name) != robots.end()) return std::string(name);
  const auto found = std::find_if(robots.begin(), robots.end(),
                                  [name](const std::string& robot) { return config::SameName(robot, name); });
  if (found == robots.end()) return std::nullopt;
  return *found;
}

int RunRobot(const std::filesystem::path& home, const TRunArguments& arguments, const TRunConsole& console) {
  const config::TConfigStore store(home / config::kRobotConfigFile);
  const std::vector<std::string> sections = store.ReadSections();
  if (!shell::HasRequiredSections(sections)) {
    return CannotBegin(console.errors, store.FileName().string() + ": " + std::string(shell::kMissingSectionsMessage));
  }
  const std::optional<std::string> robot = FindRobot(sections, arguments.robot);
  if (!robot) return CannotBegin(console.errors, "no robot named '" + arguments.robot + "' in " + store.FileName().string());
  TRun run(home, *robot, arguments, console);
  return run.Execute();
}

}  // namespace varnelo::cli
