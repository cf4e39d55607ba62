#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/thread_start.h"
#include "network/cancel.h"
#include "parsing/crawl_lists.h"

namespace varnelo::retrieval {

// What the master of a web site crawl shares with its page workers.
struct TCrawlState {
  explicit TCrawlState(std::vector<std::string> sites) : Sites(std::move(sites)) {}

  std::mutex Lock;           // guards Found, Cache and WorkerCount
  parsing::TFoundList Found;  // links still to visit
  parsing::TUrlCache Cache;   // every URL resolved in this crawl
  const std::vector<std::string> Sites;  // the start URLs
  int WorkerCount = 1;        // the master and each page worker busy with a page
};

// Resolves the redirects of `startUrl` into the cache and queues the URL reached, whatever the outcome
// of the walk, as the crawl's seed. A termination request (the flag of `cancel`) ends the walk within a
// second.
void SeedCrawl(TCrawlState& state, std::string startUrl, network::TCancel cancel);

// The content type that the crawl's HEAD walk found for `url`; empty when the cache does not hold it.
std::string CachedType(TCrawlState& state, std::string_view url);

// The master's loop: at most three page workers for the whole crawl, each taking the first link of
// `Found` under `Lock`, until no link waits and no worker is busy, or until the termination request;
// then it waits for the busy workers (they finish their page). Links left in `Found` are dropped with
// the state.
class TCrawlEngine {
public:
  // Runs on a page worker's thread; `firstPage` is true for the crawl's first page only. An exception
  // it raises ends that page only, and is reported.
  using TVisit = std::function<void(const std::string& url, bool firstPage)>;
  // Appends one line to the program log; called from a page worker's thread.
  using TReport = std::function<void(const std::string& line)>;

  static constexpr int kMaxPageWorkers = 3;

  TCrawlEngine(TCrawlState& state, TVisit visit, TReport report, base::TThreadStart startThread = base::StartThread);
  TCrawlEngine(const TCrawlEngine&) = delete;
  TCrawlEngine& operator=(const TCrawlEngine&) = delete;
  ~TCrawlEngine();

  // When no page worker can be created, the std::system_error comes out of Run; when some can, the
  // crawl goes on with those and the refusal is reported.
  void Run(const std::atomic<bool>& terminated);

private:
  // With the lock held: whether a new worker would find a link no running one is free to take.
  bool WantsWorker() const;
  void StartWorker();
  void PageWorker();
  // With the lock held: the next link for a worker, or nothing when the crawl is over for it.
  std::optional<std::string> TakeLink(std::unique_lock<std::mutex>& lock);
  void Visit(const std::string& url, bool firstPage);
  void Report(const std::string& line);
  // Asks the workers to leave once they are idle and waits for them.
  void StopWorkers(std::unique_lock<std::mutex>& lock);

  TCrawlState& state_;
  TVisit visit_;
  TReport report_;
  base::TThreadStart startThread_;
  std::condition_variable changed_;  // a worker became idle or a link may wait
  std::vector<std::thread> workers_;
  int idle_ = 0;               // workers waiting for a link
  int maxWorkers_ = kMaxPageWorkers;  // fewer once the system has refused a thread
  bool firstPageTaken_ = false;
  bool stopping_ = false;      // workers leave instead of taking another link
  const std::atomic<bool>* terminated_ = nullptr;
};

}  // namespace varnelo::retrieval
