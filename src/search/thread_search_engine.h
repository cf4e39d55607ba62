#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result_tabs.h"
#include "base/robot_ports.h"
#include "base/signal.h"
#include "base/worker.h"
#include "network/http_operations.h"
#include "search/desc_url.h"
#include "search/rss_feed.h"
#include "search/search_engine_definition.h"

namespace varnelo::search {

// What the runner gives a search engine worker.
struct TSearchEngineJob {
  std::string robotName;
  TDescURL desc;                      // the engine's definition file and `rss` flag
  std::string engineUrl;
  std::string encodedQuery;
  bool allRssInOneTab = false;        // the robot's AllRSSInOneWindow
  base::TTabId sharedRssTab = 0;   // the run's one RSS tab, 0 when none
  std::shared_ptr<TEngineQueue> queue;  // the run's queue; the worker only hands it back
};

// The header text of an Explorer POST: the two line-end bytes stand in the order LF CR.
inline constexpr std::string_view kPostHeaders = "Content-type: application/x-www-form-urlencoded; charset=UTF-8\n\r";

// One engine of a search engine run: shows the answer in an RSS list or a browser tab and hands it to
// the robot's script. Tabs and browsers are reached on the main thread; fetching a feed or a page,
// waiting for a browser and running the script happen on the worker's own thread, so that the window
// stays responsive. Its steps run to their end after a termination request, except that a transfer
// under way and a script still running a moment later are then cut short.
class TThreadSearchEngine : public base::TWorker {
public:
  // How long the hand-over to the script waits for the browser to finish loading; after that the
  // script gets the document the browser holds then.
  static constexpr std::chrono::milliseconds kDownloadWaitLimit{std::chrono::minutes(2)};

  // Reads SendToScript, scriptname and SeeOnScreen of the robot (main thread).
  TThreadSearchEngine(base::TRobotPorts& ports, TSearchEngineJob job);
  ~TThreadSearchEngine() override;

  // For the runner's end handler.
  const TSearchEngineJob& Job() const { return job_; }
  bool SeeOnScreen() const { return seeOnScreen_; }
  bool SendToScript() const { return sendToScript_; }
  // The tab this worker opened, 0 when none (the shared RSS tab is not its own).
  base::TTabId Tab() const { return tab_; }

  // Set before Start, to wait less than kDownloadWaitLimit.
  void SetDownloadWaitLimit(std::chrono::milliseconds limit) { downloadWaitLimit_ = limit; }

protected:
  void Execute() override;

private:
  struct TDownloadSignal;

  // Each shows the answer on screen; false when the body ends there (the feed cannot be read, the
  // Mozilla control is missing).
  bool ShowFeed();
  bool ShowInBrowser();
  // Main thread: the engine's own RSS tab, whose rows open their link on a double-click.
  void OpenRssTab();
  // Main thread: the browser tabs, their events, and the navigation to the engine (GET or POST).
  void OpenExplorerTab(const TSearchEngineDefinition& definition);
  bool OpenMozillaTab(const TSearchEngineDefinition& definition);
  void WatchDownload(base::TBrowser* browser);
  // The answer as lines for the script.
  std::vector<std::string> CollectAnswer();
  // The engine's answer in lines (none when the request failed); a body given up is logged.
  // `source` receives the URL and status of the answer that gave them.
  std::vector<std::string> GetEngineLines(network::TLinesSource* source = nullptr);
  std::vector<std::string> BrowserSource();
  std::string DisplayName() const;

  base::TRobotPorts& ports_;
  const TSearchEngineJob job_;
  bool sendToScript_ = false;
  std::string scriptName_;
  bool seeOnScreen_ = false;
  base::TTabId tab_ = 0;
  // The feed shown on screen, kept for the script.
  TFeedDocumentPtr feed_;
  // Set by the browser when its load finishes, well or not; shared with the browser's listener.
  std::shared_ptr<TDownloadSignal> download_;
  // Made and ended on the main thread, where the worker is destroyed.
  base::TConnection downloadWatch_;
  bool watchingDownload_ = false;
  std::chrono::milliseconds downloadWaitLimit_ = kDownloadWaitLimit;
};

}  // namespace varnelo::search
