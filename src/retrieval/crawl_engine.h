#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "parsing/crawl_lists.h"

namespace varnelo::retrieval {

// What the master of a web site crawl shares with its page workers.
struct TCrawlState {
  explicit TCrawlState(std::vector<std::string> sites) : Sites(std::move(sites)) {}

  std::mutex Lock;           // guards Found, Cache and WorkerCount
  parsing::TFoundList Found;  // links still to visit
  parsing::TUrlCache Cache;   // every URL resolved in this crawl
  const std::vector<std::string> Sites;  // the start URLs
  int WorkerCount = 1;        // the master and each running page worker
};

// Resolves the redirects of `startUrl` into the cache and queues the URL reached, whatever the outcome
// of the walk, as the crawl's seed.
void SeedCrawl(TCrawlState& state, std::string startUrl);

// The master's loop: at most three page workers at once, each on the first link of `Found`, until no
// link waits and no worker runs, or until the termination request; then it waits for the running
// workers (they finish their page). Links left in `Found` are dropped with the state.
class TCrawlEngine {
public:
  // Runs on a page worker's thread; `firstPage` is true for the first worker only. An exception it
  // raises ends that page only.
  using TVisit = std::function<void(const std::string& url, bool firstPage)>;

  static constexpr int kMaxPageWorkers = 3;

  TCrawlEngine(TCrawlState& state, TVisit visit);
  TCrawlEngine(const TCrawlEngine&) = delete;
  TCrawlEngine& operator=(const TCrawlEngine&) = delete;
  ~TCrawlEngine();

  void Run(const std::atomic<bool>& terminated);

private:
  void StartWorker(std::string url, bool firstPage);
  void PageWorker(int id, const std::string& url, bool firstPage);
  // With the lock held: joins the workers that have ended.
  void JoinEnded(std::unique_lock<std::mutex>& lock);

  TCrawlState& state_;
  TVisit visit_;
  std::condition_variable workerEnded_;
  std::map<int, std::thread> workers_;
  std::vector<int> ended_;
  int nextId_ = 0;
};

}  // namespace varnelo::retrieval
