#include "retrieval/crawl_engine.h"

#include <chrono>
#include <cstdint>
#include <utility>

#include "network/http_operations.h"

namespace varnelo::retrieval {
namespace {

// Links join Found while workers parse their pages, without waking the master; it looks again this
// often, so a free slot does not stay idle for long.
constexpr auto kPollInterval = std::chrono::milliseconds(10);

}  // namespace

void SeedCrawl(TCrawlState& state, std::string startUrl) {
  std::vector<network::TUrlChainEntry> chain;
  std::string mimeType;
  std::int64_t contentLength = 0;
  network::HttpResolveChain(chain, startUrl, mimeType, contentLength);
  const std::lock_guard<std::mutex> guard(state.Lock);
  state.Cache.Append(std::move(chain));
  state.Found.Add(std::move(startUrl));
}

TCrawlEngine::TCrawlEngine(TCrawlState& state, TVisit visit) : state_(state), visit_(std::move(visit)) {}

TCrawlEngine::~TCrawlEngine() {
  // Run has normally waited for every worker; this only matters when it was left by an exception.
  std::unique_lock<std::mutex> lock(state_.Lock);
  workerEnded_.wait(lock, [this] { return state_.WorkerCount == 1; });
  JoinEnded(lock);
}

void TCrawlEngine::Run(const std::atomic<bool>& terminated) {
  bool firstPage = true;
  std::unique_lock<std::mutex> lock(state_.Lock);
  while (!terminated.load()) {
    JoinEnded(lock);
    if (state_.WorkerCount <= kMaxPageWorkers && !state_.Found.Empty()) {
      std::string url = state_.Found.TakeFirst();
      ++state_.WorkerCount;
      StartWorker(std::move(url), std::exchange(firstPage, false));
      continue;
    }
    if (state_.Found.Empty() && state_.WorkerCount == 1) break;
    workerEnded_.wait_for(lock, kPollInterval);
  }
  workerEnded_.wait(lock, [this] { return state_.WorkerCount == 1; });
  JoinEnded(lock);
}

void TCrawlEngine::StartWorker(std::string url, bool firstPage) {
  const int id = nextId_++;
  workers_.emplace(id, std::thread([this, id, url = std::move(url), firstPage] { PageWorker(id, url, firstPage); }));
}

void TCrawlEngine::PageWorker(int id, const std::string& url, bool firstPage) {
  try {
    visit_(url, firstPage);
  } catch (...) {
    // A page that fails in any way is skipped; the crawl goes on.
  }
  {
    const std::lock_guard<std::mutex> guard(state_.Lock);
    --state_.WorkerCount;
    ended_.push_back(id);
  }
  workerEnded_.notify_all();
}

void TCrawlEngine::JoinEnded(std::unique_lock<std::mutex>& lock) {
  std::vector<std::thread> finished;
  for (int id : std::exchange(ended_, {})) {
    const auto found = workers_.find(id);
    finished.push_back(std::move(found->second));
    workers_.erase(found);
  }
  lock.unlock();
  for (std::thread& thread : finished) thread.join();
  lock.lock();
}

}  // namespace varnelo::retrieval
