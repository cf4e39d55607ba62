#include "run_command.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "cli_dialogs.h"
#include "cli_indicators.h"
#include "cli_log.h"
#include "cli_shell_open.h"
#include "config/config_keys.h"
#include "config/config_store.h"
#include "config/ini_text.h"
#include "config/robot_kinds.h"
#include "results/headless_browser.h"
#include "row_printer.h"
#include "runner/robot_list.h"
#include "runner/robot_runner.h"
#include "shell/main_form.h"
#include "shell/main_queue.h"
#include "status_line.h"
#include "terminal_question.h"

namespace varnelo::cli {
namespace {

using namespace std::chrono_literals;
using TAnswer = shell::TDialogsPort::TAnswer;

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

// The run from its start to the end of its last worker.
class TRun {
public:
  TRun(const std::filesystem::path& home, const std::string& robot, const TRunArguments& arguments,
       const TRunConsole& console, std::optional<TAnswer> resetAnswer)
      : robot_(robot),
        arguments_(arguments),
        console_(console),
        status_(console.errors, console.errorsIsTerminal),
        printer_(console.out, arguments.json, status_),
        log_(console.errors, status_),
        dialogs_(console.errors, status_, resetAnswer),
        shellOpen_(log_),
        browserFactory_(queue_),
        form_(home, queue_, {log_, dialogs_, indicators_, shellOpen_}) {
    form_.Tabs().SetView(&printer_);
    form_.Tabs().SetBrowserFactory(&browserFactory_);
  }

  int Execute() {
    form_.Create();
    if (form_.CloseRequested()) return kCannotBegin;
    bool failed = false;
    try {
      if (!Start()) return kFailed;  // the runner has said why
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
  // `run` is the robot panel's start menu item, `search` the quick search bar's GO.
  bool Start() {
    if (!arguments_.search) return form_.Runner().ExecBtnClick(runner::TSender::MenuItem(MenuCaptionFor(robot_)));
    form_.QuickSearchBar().ChooseRobot(robot_);
    form_.QuickSearchBar().Go(Joined(arguments_.words));
    return true;
  }

  // Runs the main queue until the robot is idle and its workers have ended; true when it was stopped.
  bool WaitForTheEnd() {
    bool stopped = false;
    auto nextStatus = std::chrono::steady_clock::now();
    for (;;) {
      // Looked for before the end is, so that a signal that came while the main thread was busy with
      // the last steps of the run still counts as a stop.
      if (console_.takeStop()) {
        status_.Clear();
        console_.errors << "varnelo-cli: stopping " << robot_ << ": waiting for its workers to end\n" << std::flush;
        if (!stopped) Stop();
        stopped = true;
      }
      if (!Busy()) break;
      queue_.WaitAndRunPending(kTick);
      if (status_.Enabled() && std::chrono::steady_clock::now() >= nextStatus) {
        ShowProgress();
        nextStatus = std::chrono::steady_clock::now() + kStatusPeriod;
      }
    }
    queue_.RunPending();
    status_.Clear();
    return stopped;
  }

  bool Busy() {
    if (form_.Runner().RunningWorkerCount() > 0) return true;
    try {
      return form_.Runner().Running(robot_);
    } catch (const std::exception&) {
      return false;  // no worker of any robot is left
    }
  }

  void Stop() {
    try {
      form_.Runner().AbortBtnClick(runner::TSender::MenuItem(MenuCaptionFor(robot_)));
    } catch (const std::exception& error) {
      form_.ShowException(error);
    }
  }

  void ShowProgress() {
    const int workers = form_.Runner().RunningWorkerCount();
    status_.Show(robot_ + ": " + std::to_string(workers) + (workers == 1 ? " worker" : " workers") + " running, " +
                 std::to_string(printer_.Rows()) + (printer_.Rows() == 1 ? " row" : " rows"));
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
  shell::TMainQueue queue_;
  // Browser tabs load their pages, so that a script can be handed what they show.
  results::THeadlessBrowserFactory browserFactory_;
  shell::TMainForm form_;
};

}  // namespace

std::optional<std::string> FindRobot(const std::vector<std::string>& sections, std::string_view name) {
  const std::vector<std::string> robots = runner::TRobotList::RobotSections(sections);
  if (std::find(robots.begin(), robots.end(), name) != robots.end()) return std::string(name);
  const auto found = std::find_if(robots.begin(), robots.end(),
                                  [name](const std::string& robot) { return config::SameName(robot, name); });
  if (found == robots.end()) return std::nullopt;
  return *found;
}

std::string MenuCaptionFor(std::string_view robot) {
  return robot.find('&') == std::string_view::npos ? std::string(robot) : "&" + std::string(robot);
}

int RunRobot(const std::filesystem::path& home, const TRunArguments& arguments, const TRunConsole& console) {
  const config::TConfigStore store(home / config::kRobotConfigFile);
  const std::vector<std::string> sections = store.ReadSections();
  if (!shell::HasRequiredSections(sections)) {
    return CannotBegin(console.errors, store.FileName().string() + ": " + std::string(shell::kMissingSectionsMessage));
  }
  const std::optional<std::string> robot = FindRobot(sections, arguments.robot);
  if (!robot) return CannotBegin(console.errors, "no robot named '" + arguments.robot + "' in " + store.FileName().string());
  const std::string kind = config::Read(store, *robot, config::key::kDataFromRunner);
  // The runner would start nothing and say nothing.
  if (!config::IsRobotKind(kind)) {
    return CannotBegin(console.errors, "'" + *robot + "' is not a robot: its DataFrom names no robot kind");
  }
  if (arguments.search && kind != config::kind::kSearchEngine) {
    return CannotBegin(console.errors, "'" + *robot + "' is not a search engine robot");
  }
  std::optional<TAnswer> resetAnswer;
  if (!arguments.search && kind == config::kind::kSpecifiedPages) {
    int status = 0;
    resetAnswer = ResetAnswer(*robot, arguments.reset, console, status);
    if (!resetAnswer) return status;
  }
  TRun run(home, *robot, arguments, console, resetAnswer);
  return run.Execute();
}

}  // namespace varnelo::cli
