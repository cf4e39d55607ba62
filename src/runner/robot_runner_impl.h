#pragma once

// The runner's inner side, shared by the files that hold its start operations and end handlers by
// robot kind. Not for the front ends: they use robot_runner.h.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result_tabs.h"
#include "base/signal.h"
#include "config/config_store.h"
#include "network/fetch_log.h"
#include "network/request_gate.h"
#include "runner/robot_runner.h"
#include "runner/run_progress.h"
#include "search/desc_url.h"
#include "search/limitation.h"

namespace varnelo::retrieval {
class TThreadRobotWebFtpNews;
struct TWebSiteSettings;
}  // namespace varnelo::retrieval
namespace varnelo::search {
class TThreadRandomHttpQuery;
class TThreadSearchEngine;
}  // namespace varnelo::search

namespace varnelo::runner {

class TStartUrlResolver;

class TRobotRunner::TImpl {
public:
  TImpl(base::TRobotPorts& ports, base::TIndicatorsPort& indicators, TRobotWorkerTable& workerTable, TRobotList& robotList);

  // Common to every kind (robot_runner.cpp).
  config::TConfigStore Store() const;
  // A path of the configuration; a relative one is taken in the home, which plays the program's directory.
  std::filesystem::path InHome(const std::filesystem::path& path) const { return ports_.home / path; }
  int RobotNo(std::string_view robot) const;
  bool Running(std::string_view robot) const;
  int RunningWorkerCount() const { return workerTable_.RunningWorkerCount(); }
  void Relabel(std::string_view robot, std::string_view state);
  void WriteRobotRunningConfig(std::string_view robot, bool running = false);
  void UpdateRunningLed();
  void Log(const std::string& line);
  void ShowError(std::string_view message);
  // The gate of the robot's current run, shared by all its workers (a chained start still finds the one
  // of the worker that ended); a new one once no worker holds it. None when the robot crawls as it may.
  std::shared_ptr<network::TRequestGate> PoliteGate(const std::string& robot);
  // The tab gets no owner, so that the user may close it; 0 names no tab.
  void ReleaseTab(base::TTabId tab);
  // Starts `worker` as one of the robot's live workers: the running worker count goes up, the
  // indicators and the run's progress follow, and it joins the robot's table entry. When it ends, it
  // leaves the entry, then `onEnd` runs, then the count goes down and the indicators follow.
  template <class TKind>
  TKind* Launch(const std::string& robot, int robotno, std::unique_ptr<TKind> worker,
                std::function<void(TKind&)> onEnd);
  // The start operation of a robot kind, given the robot and its `nbsimul`.
  struct TKindStart {
    std::string_view kind;
    void (*start)(TImpl& runner, const std::string& robot, int count);
    // The kind runs up to `nbsimul` workers, so it needs at least one.
    bool takesCount = false;
  };
  // The start of a kind, compared exactly; none for a value that names no kind.
  static const TKindStart* KindStartOf(std::string_view kind);
  TStartOutcome Start(const std::string& robot);
  void Stop(const std::string& robot);
  std::string KindOf(const std::string& robot) const;
  TRunProgressTable& Progress() { return progress_; }
  // The robot a command of the panel names, by the menus' caption rules.
  std::string RobotOf(const TSender& sender, std::string_view ownCaption) const {
    return robotList_.RobotOf(sender, ownCaption);
  }

  // Search engine runs (search_engine_run.cpp).
  void CreateSearchEngineThread(const std::string& robot, int count, std::string_view query);

  // Web site, script and local file runs (single_worker_runs.cpp).
  void CreateThreadWebSiteKeywordsSearch(const std::string& robot);
  void CreateThreadWebSiteBackup(const std::string& robot);
  void CreateThreadScript(const std::string& robot);
  void CreateThreadLocalFile(const std::string& robot);

  // Dividing runs (dividing_runs.cpp).
  void ConfirmAndCreateThreadBookmark(const std::string& robot, int count);
  void CreateThreadBookmark(const std::string& robot, int count);
  void CreateThreadRandomHttpQuery(const std::string& robot, int count);

private:
  struct TSearchRun;

  void StartThreadSearch(const std::string& robot, const std::shared_ptr<TSearchRun>& run);
  void OnTerminateSearchEngines(search::TThreadSearchEngine& worker, const std::shared_ptr<TSearchRun>& run);

  retrieval::TWebSiteSettings ReadWebSiteSettings(const config::TConfigStore& store, const std::string& robot) const;
  // The keyword search start once its start lines are resolved, or their resolution has failed.
  void OnStartUrlsResolved(const TStartUrlResolver& resolver, retrieval::TWebSiteSettings settings);
  void StartWebSiteWorker(std::unique_ptr<base::TWorker> worker, const retrieval::TWebSiteSettings& settings);
  void OnTerminateScriptRobot(const std::string& robot);

  void StartThreadBookmark(const std::string& robot, int robotno, const std::string& firstUrl,
                           std::vector<std::string> urls, const std::string& key);
  void OnTerminateBookmark(retrieval::TThreadRobotWebFtpNews& worker);
  int AttributeBookmarkFileNo(const std::string& robot);
  void ResetBookmark(const std::string& robot, int bookmarkFile);
  void StartRandomHttpQueryThread(const std::string& robot, int robotno,
                                  const std::shared_ptr<const search::TLimitation>& limitation,
                                  const std::string& firstWord, std::vector<std::string> words,
                                  const std::string& itemNumber, const std::string& key);
  void OnTerminateRandomHttpQuery(search::TThreadRandomHttpQuery& worker);
  // New items of up to `chunk` entries from `start`, at most `count` of them, each numbered by the
  // counter and given to `startItem`; a partial last range or the end of the list ends the run's
  // growth with their log lines.
  void StartNewRanges(const std::string& robot, const std::vector<std::string>& list, size_t start, size_t chunk,
                      size_t count, const std::string& counterKey,
                      const std::function<void(int number, std::vector<std::string> range)>& startItem);
  // After an ended dividing worker has recorded its item: whether a successor starts. An aborted or
  // failed worker starts none, and the robot is idle once its last worker has ended.
  bool DividingRunGoesOn(const std::string& robot, const base::TWorker& worker, bool aborted);

  base::TRobotPorts& ports_;
  base::TIndicatorsPort& indicators_;
  TRobotWorkerTable& workerTable_;
  TRobotList& robotList_;
  TRunProgressTable progress_;
  std::map<std::string, std::weak_ptr<network::TRequestGate>, std::less<>> politeGates_;
  base::TConnection rowsAdded_;
  // The workers' transfers log through the main queue: the log is the main thread's.
  network::TScopedFetchLog fetchLog_;
  // The robot whose worker's end handler runs now; none between them.
  const std::string* endingRobot_ = nullptr;
};

template <class TKind>
TKind* TRobotRunner::TImpl::Launch(const std::string& robot, int robotno, std::unique_ptr<TKind> worker,
                                   std::function<void(TKind&)> onEnd) {
  worker->SetOnItemsDone([this, robot](size_t items) { progress_.ItemsDone(robot, items); });
  worker->SetOnTerminate([this, robot, robotno, onEnd = std::move(onEnd)](base::TWorker& ended) {
    workerTable_.Remove(robotno, &ended);
    progress_.WorkerEnded(robot);
    // The count must come down even when the handler fails, or the program would wait forever for it.
    struct TCountDown {
      TImpl& runner;
      ~TCountDown() {
        runner.endingRobot_ = nullptr;
        runner.workerTable_.WorkerEnded();
        runner.UpdateRunningLed();
      }
    } countDown{*this};
    // A start that the handler chains goes on with the same run.
    endingRobot_ = &robot;
    onEnd(static_cast<TKind&>(ended));
  });
  const bool newRun = !workerTable_.Running(robotno) && !(endingRobot_ && *endingRobot_ == robot);
  auto* started = static_cast<TKind*>(base::TWorker::Start(std::move(worker)));
  workerTable_.WorkerStarted();
  UpdateRunningLed();
  workerTable_.Add(robotno, started);
  if (newRun) progress_.BeginRun(robot);
  progress_.WorkerStarted(robot);
  return started;
}

}  // namespace varnelo::runner
