#include "results/headless_browser.h"

#include <strings.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <utility>

#include "network/http_client.h"
#include "platform/atomic_file.h"
#include "platform/file_url.h"
#include "results/post_proxy.h"

namespace varnelo::results {
namespace {

using TRequest = THeadlessBrowser::TRequest;
using TLoaded = THeadlessBrowser::TLoaded;

constexpr std::string_view kFormContentType = "Content-Type: application/x-www-form-urlencoded";

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

// One request and, after a 302 or 303, one GET of its Location, as HttpGetLines does.
TLoaded Transfer(std::string_view method, const std::string& url, const std::string& body,
                 const std::vector<std::string>& headerLines, const std::atomic<bool>* cancel) {
  network::THttpClient client(cancel);
  client.Headers = headerLines;
  client.RequestBody = body;
  if (!client.HttpMethod(method, url)) return {"", url};
  if (client.ResultCode == 302 || client.ResultCode == 303) {
    const std::string location = client.Location;
    network::THttpClient second(cancel);
    if (!second.HttpMethod("GET", location)) return {"", location};
    return {std::move(second.Document), location};
  }
  return {std::move(client.Document), url};
}

// Runs on the browser's thread. A load that fails gives an empty document.
TLoaded Fetch(const TRequest& request, const std::atomic<bool>* cancel) {
  try {
    if (const std::optional<std::filesystem::path> file = platform::FileUrlPath(request.url)) {
      if (const std::optional<TPostProxyRequest> proxy = PostProxyRequest(request.url)) {
        if (!std::filesystem::is_regular_file(*file)) return {"", request.url};
        return Transfer("POST", proxy->TargetUrl, proxy->Body, {std::string(kFormContentType)}, cancel);
      }
      return {platform::ReadWholeFile(*file).value_or(""), request.url};
    }
    if (StartsWithNoCase(request.url, "http://") || StartsWithNoCase(request.url, "https://")) {
      return Transfer(request.post ? "POST" : "GET", request.url, request.body, request.headerLines, cancel);
    }
  } catch (const std::exception&) {
    // Unreadable file, unusable proxy settings: the page stays empty, as a failed load shows.
  }
  return {"", request.url};
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

THeadlessBrowser::THeadlessBrowser(shell::TMainQueue& mainQueue)
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

void THeadlessBrowser::Navigate(const std::string& url) { Go(TRequest{url, false, {}, {}}); }

void THeadlessBrowser::NavigateWithPost(const std::string& url, const std::string& postData,
                                        const std::string& headers) {
  Go(TRequest{url, true, postData, HeaderLines(headers)});
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
  if (thread_.joinable()) return;
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
  if (generation != shared_->generation) return;  // a later navigation took its place
  source_ = std::move(loaded.source);
  location_ = std::move(loaded.location);
  const bool canGoBack = current_ > 0;
  const bool canGoForward = current_ + 1 < history_.size();
  // A handler may close the tab, and this browser with it: nothing of it is touched once it is gone.
  const std::shared_ptr<TShared> shared = shared_;
  if (auto handler = OnCommandStateChange) handler(kCommandBack, canGoBack);
  if (shared->owner != this) return;
  if (auto handler = OnCommandStateChange) handler(kCommandForward, canGoForward);
  if (shared->owner != this) return;
  if (auto handler = OnDownloadComplete) handler();
}

std::unique_ptr<TBrowser> THeadlessBrowserFactory::CreateBrowser(TBrowserKind /*kind*/) {
  return std::make_unique<THeadlessBrowser>(mainQueue_);
}

}  // namespace varnelo::results
