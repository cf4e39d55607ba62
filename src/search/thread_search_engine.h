#pragma once

#include <memory>
#include <string>
#include <vector>

#include "results/result_tabs.h"
#include "runner/robot_ports.h"
#include "runner/worker.h"
#include "search/desc_url.h"

namespace varnelo::search {

// What the runner gives a search engine worker.
struct TSearchEngineJob {
  std::string robotName;
  TDescURL desc;                      // the engine's definition file and `rss` flag
  std::string engineUrl;
  std::string encodedQuery;
  bool allRssInOneTab = false;        // the robot's AllRSSInOneWindow
  results::TTabId sharedRssTab = 0;   // the run's one RSS tab, 0 when none
  std::shared_ptr<TEngineQueue> queue;  // the run's queue; the worker only hands it back
};

// One engine of a search engine run: shows the answer in an RSS list or a browser tab and hands it to
// the robot's script, each step on the main thread. It does not look at the termination request.
class TThreadSearchEngine : public runner::TWorker {
public:
  // Reads SendToScript, scriptname and SeeOnScreen of the robot (main thread).
  TThreadSearchEngine(runner::TRobotPorts& ports, TSearchEngineJob job);

  // For the runner's end handler.
  const TSearchEngineJob& Job() const { return job_; }
  bool SeeOnScreen() const { return seeOnScreen_; }
  bool SendToScript() const { return sendToScript_; }
  // The tab this worker opened, 0 when none (the shared RSS tab is not its own).
  results::TTabId Tab() const { return tab_; }

protected:
  void Execute() override;

private:
  // ... the steps of the body, each on the main thread.

  runner::TRobotPorts& ports_;
  const TSearchEngineJob job_;
  bool sendToScript_ = false;
  std::string scriptName_;
  bool seeOnScreen_ = false;
  results::TTabId tab_ = 0;
};

}  // namespace varnelo::search
