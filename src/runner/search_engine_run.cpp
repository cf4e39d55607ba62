#include <utility>

#include "config/config_keys.h"
#include "platform/percent_encoding.h"
#include "runner/robot_runner_impl.h"
#include "search/definition_paths.h"
#include "search/engine_activity.h"
#include "search/query_marker.h"
#include "search/search_engine_definition.h"
#include "search/thread_search_engine.h"

namespace varnelo::runner {

// One search engine run: its queue, its shared RSS tab, and how many of its workers live, so that the
// shared tab can be released when the run is over.
struct TRobotRunner::TImpl::TSearchRun {
  std::shared_ptr<search::TEngineQueue> queue = std::make_shared<search::TEngineQueue>();
  base::TTabId sharedRssTab = 0;
  bool allRssInOneTab = false;
  std::string encodedQuery;
  int robotno = 0;
  int liveWorkers = 0;
};

std::string EncodeSearchQuery(std::string_view query) {
  return platform::PercentEncode(query, [](unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return false;
    switch (c) {
      case '"': case '%': case '`': case '<': case '>': case '[': case '\\': case ']': case '^': case '_':
      case '{': case '|': case '}': case '~':
        return false;
      default:
        return true;
    }
  });
}

void TRobotRunner::TImpl::CreateSearchEngineThread(const std::string& robot, int count, std::string_view query) {
  const std::vector<std::string> engines = search::ActiveEngines(ports_.home, robot);
  if (engines.empty()) return;
  const config::TConfigStore store = Store();
  auto run = std::make_shared<TSearchRun>();
  run->encodedQuery = EncodeSearchQuery(query);
  run->robotno = config::Read(store, robot, config::key::kRobotNo);
  run->allRssInOneTab = config::Read(store, robot, config::key::kAllRSSInOneWindow);
  if (run->allRssInOneTab) {
    // Owned by the runner, so that it cannot be closed while the run goes on.
    run->sharedRssTab = ports_.tabs.OpenResultTab(base::TTabTemplate::ListViewRSS, this, robot, robot);
  }
  for (const std::string& engine : engines) {
    const std::filesystem::path file = search::EngineFolder(ports_.home, robot) / engine;
    const search::TSearchEngineDefinition definition = search::ReadSearchEngineDefinition(file);
    run->queue->push_back({search::ReplaceQueryMarker(definition.getQuery, run->encodedQuery), {file, definition.rss}});
  }
  for (int started = 0; started < count; ++started) {
    if (run->queue->empty()) {
      Log("No more " + robot + " will be started");
      break;
    }
    StartThreadSearch(robot, run);
  }
  // A run that started nothing has nobody left to release its tab.
  if (run->liveWorkers == 0) ReleaseTab(run->sharedRssTab);
}

void TRobotRunner::TImpl::StartThreadSearch(const std::string& robot, const std::shared_ptr<TSearchRun>& run) {
  Relabel(robot, TRobotList::kWorking);
  search::TEngineQueueEntry entry = std::move(run->queue->front());
  run->queue->pop_front();
  Log("démarrage du processus(" + robot + ":" + entry.url + ")");
  search::TSearchEngineJob job{.robotName = robot,
                               .desc = std::move(entry.desc),
                               .engineUrl = std::move(entry.url),
                               .encodedQuery = run->encodedQuery,
                               .allRssInOneTab = run->allRssInOneTab,
                               .sharedRssTab = run->sharedRssTab,
                               .queue = run->queue};
  ++run->liveWorkers;
  auto worker = std::make_unique<search::TThreadSearchEngine>(ports_, std::move(job));
  Launch<search::TThreadSearchEngine>(robot, run->robotno, std::move(worker), [this, run](search::TThreadSearchEngine& ended) {
    OnTerminateSearchEngines(ended, run);
  });
}

void TRobotRunner::TImpl::OnTerminateSearchEngines(search::TThreadSearchEngine& worker,
                                                   const std::shared_ptr<TSearchRun>& run) {
  --run->liveWorkers;
  const search::TSearchEngineJob& job = worker.Job();
  const bool usedSharedTab = job.allRssInOneTab && job.desc.rss;
  if (worker.SeeOnScreen()) {
    if (!usedSharedTab) {
      ports_.tabs.PossibleToCloseTabsheet(&worker);
    } else if (run->queue->empty()) {
      ReleaseTab(run->sharedRssTab);
    }
  }
  if (!run->queue->empty()) {
    StartThreadSearch(job.robotName, run);
    return;
  }
  // The shared tab is released by the run's last worker whatever its engine was.
  if (run->liveWorkers == 0) ReleaseTab(run->sharedRssTab);
  Log("No more " + job.robotName + " sera démarré");
  if (!workerTable_.Running(run->robotno)) {
    Log("Robot " + job.robotName + " s'est terminé");
    Relabel(job.robotName, TRobotList::kIdle);
    WriteRobotRunningConfig(job.robotName);
  }
}

}  // namespace varnelo::runner
