#include "search/thread_search_engine.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "base/delayed_flag.h"
#include "base/text.h"
#include "config/config_keys.h"
#include "network/http_operations.h"
#include "results/post_proxy.h"
#include "scripting/logged_script_run.h"
#include "search/feed_check.h"
#include "search/query_marker.h"

namespace varnelo::search {
namespace {

constexpr std::string_view kMozillaBrowser = "firefox";
constexpr std::string_view kUnreadableFeed = "Flux illisible pour ";

// How long the script may go on after a termination request: a short script still gives the answer
// it was started for, a long one does not hold the stop past a second.
constexpr std::chrono::milliseconds kScriptGrace{500};

}  // namespace

struct TThreadSearchEngine::TDownloadSignal {
  std::mutex mutex;
  std::condition_variable changed;
  bool complete = false;
};

TThreadSearchEngine::TThreadSearchEngine(base::TRobotPorts& ports, TSearchEngineJob job)
    : base::TWorker(ports.mainQueue),
      ports_(ports),
      job_(std::move(job)),
      download_(std::make_shared<TDownloadSignal>()) {
  const config::TConfigStore store(ports_.home / config::kRobotConfigFile);
  sendToScript_ = config::Read(store, job_.robotName, config::key::kSendToScript);
  scriptName_ = config::Read(store, job_.robotName, config::key::kScriptName);
  seeOnScreen_ = config::Read(store, job_.robotName, config::key::kSeeOnScreen);
}

TThreadSearchEngine::~TThreadSearchEngine() = default;

void TThreadSearchEngine::Execute() {
  if (seeOnScreen_) {
    const bool shown = job_.desc.rss ? ShowFeed() : ShowInBrowser();
    if (!shown) return;
  }
  if (!sendToScript_) return;
  std::vector<std::string> lines = CollectAnswer();
  // Run here rather than on the main thread, whose loop is what takes a stop: there, a script that
  // never ends could never be ended. Its log lines and dialogs are handed to the main thread.
  const base::TDelayedFlag stop(TerminatedFlag(), kScriptGrace);
  scripting::RunLoggedScript(ports_, job_.engineUrl, &lines, scriptName_, &stop.Flag());
}

bool TThreadSearchEngine::ShowFeed() {
  if (!job_.allRssInOneTab) Synchronize([this] { OpenRssTab(); });
  const base::TTabId target = job_.allRssInOneTab ? job_.sharedRssTab : tab_;
  network::TLinesSource source;
  const std::vector<std::string> lines = GetEngineLines(&source);  // a failed request leaves no lines
  feed_ = ParseFeed(lines);
  // A failed request or an error page stays as silent as ever; what the server sent as its answer and
  // is no feed would otherwise leave an empty tab without a word.
  if (source.ResultCode >= 200 && source.ResultCode <= 299) {
    if (const std::string reason = NotAFeedReason(lines, feed_.get()); !reason.empty()) {
      Synchronize([&] { ports_.log.AppendLine(std::string(kUnreadableFeed) + DisplayName() + ": " + reason); });
    }
  }
  if (!feed_) return false;
  const std::optional<std::vector<TFeedItem>> items = FeedItems(*feed_, source.Url);
  if (!items) return false;
  std::vector<base::TListRow> rows;
  rows.reserve(items->size());
  for (const TFeedItem& item : *items) rows.push_back({item.Title, {item.Link, item.Description}, {}});
  Synchronize([&] { ports_.tabs.AddRows(target, std::move(rows)); });
  return true;
}

void TThreadSearchEngine::OpenRssTab() {
  tab_ = ports_.tabs.OpenResultTab(base::TTabTemplate::ListViewRSS, this, job_.robotName, DisplayName());
  // The action outlives this worker with its tab, so it holds nothing of the worker.
  ports_.tabs.SetRowActivation(tab_, [&shellOpen = ports_.shellOpen](const base::TListRow& row) {
    if (!row.SubItems.empty() && !row.SubItems.front().empty()) shellOpen.OpenUrl(row.SubItems.front());
  });
}

bool TThreadSearchEngine::ShowInBrowser() {
  const std::string browser =
      config::Read(config::TConfigStore(ports_.home / config::kRobotConfigFile), config::section::kGeneral,
                   config::key::kBrowser);
  const TSearchEngineDefinition definition = ReadSearchEngineDefinition(job_.desc.definitionFile);
  bool opened = true;
  Synchronize([&] {
    if (browser == kMozillaBrowser) {
      opened = OpenMozillaTab(definition);
    } else {
      OpenExplorerTab(definition);
    }
  });
  return opened;
}

void TThreadSearchEngine::OpenExplorerTab(const TSearchEngineDefinition& definition) {
  tab_ = ports_.tabs.OpenResultTab(base::TTabTemplate::WebBrowser, this, job_.robotName, DisplayName());
  WatchDownload(ports_.tabs.Browser(tab_));
  if (definition.UsesPost()) {
    ports_.tabs.NavigateWithPost(tab_, job_.engineUrl, ReplaceQueryMarker(definition.postQuery, job_.encodedQuery),
                                 std::string(kPostHeaders));
  } else {
    ports_.tabs.Navigate(tab_, job_.engineUrl);
  }
}

bool TThreadSearchEngine::OpenMozillaTab(const TSearchEngineDefinition& definition) {
  tab_ = ports_.tabs.OpenMozillaTab(this, job_.robotName, DisplayName());
  if (tab_ == 0) return false;
  WatchDownload(ports_.tabs.Browser(tab_));
  if (definition.UsesPost()) {
    ports_.tabs.Navigate(tab_, results::PostProxyUrl(ports_.home, job_.engineUrl,
                                                     ReplaceQueryMarker(definition.postQuery, job_.encodedQuery)));
  } else {
    ports_.tabs.Navigate(tab_, job_.engineUrl);
  }
  return true;
}

void TThreadSearchEngine::WatchDownload(base::TBrowser* browser) {
  if (browser == nullptr) return;
  watchingDownload_ = true;
  downloadWatch_ = browser->LoadFinished.Connect([signal = download_](bool) {
    {
      const std::lock_guard lock(signal->mutex);
      signal->complete = true;
    }
    signal->changed.notify_all();
  });
}

std::vector<std::string> TThreadSearchEngine::CollectAnswer() {
  if (!seeOnScreen_) return GetEngineLines();  // a plain GET, even for a POST engine
  if (job_.desc.rss) return FeedText(*feed_);
  return BrowserSource();
}

std::vector<std::string> TThreadSearchEngine::GetEngineLines(network::TLinesSource* source) {
  std::vector<std::string> lines;
  std::string faultLine;
  network::HttpGetLines(job_.engineUrl, lines, &TerminatedFlag(), &faultLine, source);
  if (!faultLine.empty()) Synchronize([&] { ports_.log.AppendLine(faultLine); });
  return lines;
}

std::vector<std::string> TThreadSearchEngine::BrowserSource() {
  if (watchingDownload_) {
    std::unique_lock lock(download_->mutex);
    download_->changed.wait_for(lock, downloadWaitLimit_, [this] { return download_->complete; });
  }
  std::string source;
  Synchronize([&] {
    if (const base::TBrowser* browser = ports_.tabs.Browser(tab_)) source = browser->DocumentSource();
  });
  return base::SplitLines(source);
}

std::string TThreadSearchEngine::DisplayName() const {
  return EngineDisplayName(job_.desc.definitionFile.filename().string());
}

}  // namespace varnelo::search
