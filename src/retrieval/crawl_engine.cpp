#include "retrieval/crawl_engine.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <system_error>
#include <utility>

#include "network/http_operations.h"

namespace varnelo::retrieval {
namespace {

// Links join Found while workers parse their pages, without waking anyone; idle workers and the
// master look again this often, so a waiting link does not stay untaken for long.
constexpr auto kPollInterval = std::chrono::milliseconds(10);

}  // namespace

void SeedCrawl(TCrawlState& state, std::string startUrl, network::TCancel cancel) {
  std::vector<network::TUrlChainEntry> chain;
  std::string mimeType;
  std::int64_t contentLength = 0;
  network::HttpResolveChain(chain, startUrl, mimeType, contentLength, cancel);
  const std::lock_guard<std::mutex> guard(state.Lock);
  state.Cache.Append(std::move(chain));
  state.Found.Add(std::move(startUrl));
}

std::string CachedType(TCrawlState& state, std::string_view url) {
  const std::lock_guard<std::mutex> guard(state.Lock);
  const network::TUrlDesc* desc = state.Cache.Find(url);
  return desc ? desc->MimeType : std::string();
}

TCrawlEngine::TCrawlEngine(TCrawlState& state, TVisit visit, TReport report, base::TThreadStart startThread)
    : state_(state), visit_(std::move(visit)), report_(std::move(report)), startThread_(std::move(startThread)) {}

TCrawlEngine::~TCrawlEngine() {
  // Run has normally stopped every worker; this only matters when it was never called.
  std::unique_lock<std::mutex> lock(state_.Lock);
  StopWorkers(lock);
}

void TCrawlEngine::Run(const std::atomic<bool>& terminated) {
  std::unique_lock<std::mutex> lock(state_.Lock);
  terminated_ = &terminated;
  try {
    while (!terminated.load()) {
      if (WantsWorker()) {
        StartWorker();
        continue;
      }
      if (state_.Found.Empty() && state_.WorkerCount == 1) break;
      changed_.wait_for(lock, kPollInterval);
    }
  } catch (...) {
    StopWorkers(lock);
    throw;
  }
  StopWorkers(lock);
}

bool TCrawlEngine::WantsWorker() const {
  return !state_.Found.Empty() && idle_ == 0 && workers_.size() < static_cast<size_t>(maxWorkers_);
}

void TCrawlEngine::StartWorker() {
  try {
    workers_.push_back(startThread_([this] { PageWorker(); }));
  } catch (const std::system_error& error) {
    // With no worker at all the crawl cannot go on; with some, it goes on with those it has.
    if (workers_.empty()) throw;
    maxWorkers_ = static_cast<int>(workers_.size());
    Report("Error starting a page worker: " + std::string(error.what()));
    return;
  }
  // Counted only once the thread exists, so that a failed start leaves nobody to wait for.
  ++idle_;
}

void TCrawlEngine::PageWorker() {
  std::unique_lock<std::mutex> lock(state_.Lock);
  while (std::optional<std::string> url = TakeLink(lock)) {
    const bool firstPage = !std::exchange(firstPageTaken_, true);
    --idle_;
    ++state_.WorkerCount;
    lock.unlock();
    Visit(*url, firstPage);
    lock.lock();
    --state_.WorkerCount;
    ++idle_;
    changed_.notify_all();
  }
  --idle_;
}

std::optional<std::string> TCrawlEngine::TakeLink(std::unique_lock<std::mutex>& lock) {
  while (!stopping_ && !terminated_->load()) {
    if (!state_.Found.Empty()) return state_.Found.TakeFirst();
    changed_.wait_for(lock, kPollInterval);
  }
  return std::nullopt;
}

void TCrawlEngine::Visit(const std::string& url, bool firstPage) {
  // A page that fails in any way is skipped, and said so; the crawl goes on.
  try {
    visit_(url, firstPage);
  } catch (const std::exception& error) {
    Report("Error on page " + url + ": " + error.what());
  } catch (...) {
    Report("Error on page " + url + ": unknown error");
  }
}

void TCrawlEngine::Report(const std::string& line) {
  try {
    report_(line);
  } catch (...) {
    // The log is the only place to say it; a log that fails leaves nowhere else.
  }
}

void TCrawlEngine::StopWorkers(std::unique_lock<std::mutex>& lock) {
  stopping_ = true;
  changed_.notify_all();
  std::vector<std::thread> workers = std::exchange(workers_, {});
  lock.unlock();
  for (std::thread& worker : workers) worker.join();
  lock.lock();
}

}  // namespace varnelo::retrieval
