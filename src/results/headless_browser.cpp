#include "results/headless_browser.h"

#include <strings.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <utility>

#include "base/text.h"
#include "network/fetch_log.h"
#include "network/http_client.h"
#include "network/redirect_target.h"
#include "platform/atomic_file.h"
#include "platform/file_url.h"
#include "results/post_proxy.h"

namespace varnelo::results {
namespace {

using TRequest = THeadlessBrowser::TRequest;
using TLoaded = THeadlessBrowser::TLoaded;

constexpr std::string_view kFormContentType = "Content-Type: application/x-www-form-urlencoded";
constexpr std::string_view kBlankPage = "about:blank";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && ::strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// The header text of a navigation cut into lines.
std::vector<std::string> HeaderLines(std::string_view headers) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < headers.size()) {
    const size_t end = std::min(headers.find_first_of("\r\n", start), headers.size());
    if (end > start) lines.emplace_back(headers.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Sends the request; an answer given up for a reason no status tells (past the held cap, shorter than
// its length, too slow) says why in the fetch log, which reaches the program's log while robots run.
bool Request(network::THttpClient& client, std::string_view method, const std::string& url) {
  if (client.HttpMethod(method, url)) return true;
  const std::string line = network::TransferFaultLine(client.Fault, url, client.FaultLimit);
  if (!line.empty()) network::ReportFetch(line);
  return false;
}

// One request and, after a 302 or 303, one GET of its Location, as HttpGetLines does.
TLoaded Transfer(std::string_view method, const std::string& url, const std::string& body,
                 const std::vector<std::string>& headerLines, const std::atomic<bool>* cancel) {
  network::THttpClient client(cancel);
  client.Headers = headerLines;
  client.RequestBody = body;
  if (!Request(client, method, url)) return {"", url, false};
  if (client.ResultCode == 302 || client.ResultCode == 303) {
    const std::optional<std::string> location = network::RedirectTarget(url, client.Location);
    if (!location) return {"", url, false};
    network::THttpClient second(cancel);
    if (!Request(second, "GET", *location)) return {"", *location, false};
    return {std::move(second.Document), *location, true};
  }
  return {std::move(client.Document), url, true};
}

// Runs on the browser's thread. A load that fails gives an empty document.
TLoaded Fetch(const TRequest& request, const std::atomic<bool>* cancel) {
  try {
    if (const std::optional<std::filesystem::path> file = platform::FileUrlPath(request.url)) {
      if (const std::optional<TPostProxyRequest> proxy = PostProxyRequest(request.url)) {
        if (!std::filesystem::is_regular_file(*file)) return {"", request.url, false};
        return Transfer("POST", proxy->TargetUrl, proxy->Body, {std::string(kFormContentType)}, cancel);
      }
      std::optional<std::string> content = platform::ReadWholeFile(*file);
      const bool read = content.has_value();
      return {std::move(content).value_or(""), request.url, read};
    }
    if (request.url == kBlankPage) return {"", request.url, true};
    if (StartsWithNoCase(request.url, "http://") || StartsWithNoCase(request.url, "https://")) {
      return Transfer(request.post ? "POST" : "GET", request.url, request.body, request.headerLines, cancel);
    }
  } catch (const std::exception&) {
    // Unreadable file, unusable proxy settings: the page stays empty, as a failed load shows.
  }
  return {"", request.url, false};
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The text of the first title element, its runs of white space made one space; character references
// stay as written. Empty when the document has none.
std::string DocumentTitle(std::string_view source) {
  const std::string lowered = base::AsciiLowered(source);
  size_t open = lowered.find("<title");
  while (open != std::string::npos && open + 6 < lowered.size() && lowered[open + 6] != '>' &&
         !IsSpace(lowered[open + 6])) {
    open = lowered.find("<title", open + 1);  // <titles> or the like is another element
  }
  if (open == std::string::npos) return {};
  const size_t start = lowered.find('>', open);
  if (start == std::string::npos) return {};
  const size_t end = std::min(lowered.find("</title", start), lowered.size());
  std::string title;
  bool space = false;
  for (const char c : source.substr(start + 1, end - start - 1)) {
    if (IsSpace(c)) {
      space = !title.empty();
      continue;
    }
    if (space) title += ' ';
    space = false;
    title += c;
  }
  return title;
}

}  // namespace

// What the browser and its loading thread share. The thread outlives nothing: the browser joins it.
struct THeadlessBrowser::TShared {
  std::mutex mutex;
  std::condition_variable wake;
  std::optional<std::pair<std::uint64_t, TRequest>> pending;
  bool stopping = false;
  // Ends the load under way when a newer one is asked for or the browser goes.
  std::atomic<bool> cancel{false};
  // Main thread only: the browser while it lives, and the number of its latest load.
  THeadlessBrowser* owner = nullptr;
  std::uint64_t generation = 0;
};

THeadlessBrowser::THeadlessBrowser(base::TMainQueue& mainQueue)
    : mainQueue_(mainQueue), shared_(std::make_shared<TShared>()) {
  shared_->owner = this;
}

THeadlessBrowser::~THeadlessBrowser() {
  shared_->owner = nullptr;
  {
    const std::lock_guard lock(shared_->mutex);
    shared_->stopping = true;
    shared_->cancel = true;
  }
  shared_->wake.notify_all();
  if (thread_.joinable()) thread_.join();
}

void THeadlessBrowser::Navigate(const std::string& url) {
  if (home_.empty()) home_ = url;
  Go(TRequest{url, false, {}, {}});
}

void THeadlessBrowser::NavigateWithPost(const std::string& url, const std::string& postData,
                                        const std::string& headers) {
  if (home_.empty()) home_ = url;
  Go(TRequest{url, true, postData, HeaderLines(headers)});
}

void THeadlessBrowser::GoHome() { Go(TRequest{home_.empty() ? std::string(kBlankPage) : home_, false, {}, {}}); }

void THeadlessBrowser::Stop() {
  if (!loading_) return;
  loading_ = false;
  // Whatever the stopped load still brings is dropped.
  ++shared_->generation;
  {
    const std::lock_guard lock(shared_->mutex);
    shared_->pending.reset();
    shared_->cancel = true;
  }
  LoadFinished(false);
}

void THeadlessBrowser::GoBack() {
  if (history_.empty() || current_ == 0) return;
  --current_;
  Load();
}

void THeadlessBrowser::GoForward() {
  if (current_ + 1 >= history_.size()) return;
  ++current_;
  Load();
}

void THeadlessBrowser::Go(TRequest request) {
  if (!history_.empty()) history_.resize(current_ + 1);
  history_.push_back(std::move(request));
  current_ = history_.size() - 1;
  Load();
}

void THeadlessBrowser::Load() {
  const std::uint64_t generation = ++shared_->generation;
  {
    const std::lock_guard lock(shared_->mutex);
    shared_->pending.emplace(generation, history_[current_]);
    shared_->cancel = true;
  }
  shared_->wake.notify_one();
  loading_ = true;
  if (!thread_.joinable()) StartThread();
  // Last: a listener may destroy the browser.
  LoadStarted();
}

void THeadlessBrowser::StartThread() {
  thread_ = std::thread([shared = shared_, &mainQueue = mainQueue_] {
    for (;;) {
      std::pair<std::uint64_t, TRequest> next;
      {
        std::unique_lock lock(shared->mutex);
        shared->wake.wait(lock, [&shared] { return shared->stopping || shared->pending.has_value(); });
        if (shared->stopping) return;
        next = std::move(*shared->pending);
        shared->pending.reset();
        shared->cancel = false;
      }
      TLoaded loaded = Fetch(next.second, &shared->cancel);
      mainQueue.Post([shared, generation = next.first, loaded = std::move(loaded)]() mutable {
        if (shared->owner != nullptr) shared->owner->Loaded(generation, std::move(loaded));
      });
    }
  });
}

void THeadlessBrowser::Loaded(std::uint64_t generation, TLoaded loaded) {
  if (generation != shared_->generation) return;  // a later navigation or a stop took its place
  loading_ = false;
  source_ = std::move(loaded.source);
  std::string title = DocumentTitle(source_);
  const bool addressChanged = loaded.location != location_;
  const bool titleChanged = title != title_;
  location_ = std::move(loaded.location);
  title_ = std::move(title);
  RaiseLoaded(addressChanged, titleChanged, loaded.ok);
}

void THeadlessBrowser::RaiseLoaded(bool addressChanged, bool titleChanged, bool ok) {
  // A listener may close the tab, and this browser with it: nothing of it is touched once it is gone,
  // and each signal gets copies, which outlive it.
  const std::shared_ptr<TShared> shared = shared_;
  const auto alive = [&] { return shared->owner == this; };
  const bool canGoBack = current_ > 0;
  const bool canGoForward = current_ + 1 < history_.size();
  if (addressChanged) {
    AddressChanged(std::string(location_));
    if (!alive()) return;
  }
  if (titleChanged) {
    TitleChanged(std::string(title_));
    if (!alive()) return;
  }
  CommandStateChanged(base::kCommandBack, canGoBack);
  if (!alive()) return;
  CommandStateChanged(base::kCommandForward, canGoForward);
  if (!alive()) return;
  LoadFinished(ok);
}

std::unique_ptr<base::TBrowser> THeadlessBrowserFactory::CreateBrowser(base::TBrowserKind /*kind*/) {
  return std::make_unique<THeadlessBrowser>(mainQueue_);
}

}  // namespace varnelo::results
