#include "retrieval/crawl_engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace varnelo::retrieval {
namespace {

using ::testing::ElementsAre;

// A site of pages p0 .. p<kPages-1> where page N links to 2N+1 and 2N+2, as the link extractor would
// add them to Found under the lock; the engine sees no network at all.
constexpr int kPages = 60;

std::string Page(int number) { return "p" + std::to_string(number); }

class CrawlEngineTest : public ::testing::Test {
protected:
  CrawlEngineTest() { state.Found.Add(Page(0)); }

  void Visit(const std::string& url, bool firstPage) {
    const int number = std::stoi(url.substr(1));
    int busy = 0;
    {
      const std::lock_guard<std::mutex> guard(state.Lock);
      for (int child : {2 * number + 1, 2 * number + 2}) {
        if (child < kPages) state.Found.Add(Page(child));
      }
      busy = state.WorkerCount;
    }
    const std::lock_guard<std::mutex> guard(recordLock);
    ++visits[url];
    if (firstPage) firstPages.push_back(url);
    busyMost = std::max(busyMost, busy);
  }

  // Counts the threads the engine makes; refuses every one from number `refuseFrom` on.
  base::TThreadStart CountingStart(int refuseFrom = 1000) {
    return [this, refuseFrom](std::function<void()> body) {
      if (++threadStarts > refuseFrom) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
      }
      return std::thread(std::move(body));
    };
  }

  TCrawlEngine::TVisit Visitor() {
    return [this](const std::string& url, bool firstPage) { Visit(url, firstPage); };
  }
  TCrawlEngine::TReport Reporter() {
    return [this](const std::string& line) {
      const std::lock_guard<std::mutex> guard(recordLock);
      reports.push_back(line);
    };
  }

  void ExpectEveryPageVisitedOnce() {
    EXPECT_EQ(visits.size(), size_t{kPages});
    for (const auto& [url, count] : visits) EXPECT_EQ(count, 1) << url;
    EXPECT_THAT(firstPages, ElementsAre("p0"));
  }

  TCrawlState state{{"p0"}};
  std::atomic<int> threadStarts = 0;
  std::mutex recordLock;
  std::map<std::string, int> visits;
  std::vector<std::string> firstPages;
  std::vector<std::string> reports;
  int busyMost = 0;
  std::atomic<bool> terminated = false;
};

TEST_F(CrawlEngineTest, ManyPagesAreVisitedByAtMostThreeWorkersMadeOnce) {
  {
    TCrawlEngine engine(state, Visitor(), Reporter(), CountingStart());
    engine.Run(terminated);
  }
  ExpectEveryPageVisitedOnce();
  EXPECT_GE(threadStarts.load(), 1);
  EXPECT_LE(threadStarts.load(), TCrawlEngine::kMaxPageWorkers);
  // The master and at most three busy workers.
  EXPECT_LE(busyMost, 1 + TCrawlEngine::kMaxPageWorkers);
  EXPECT_EQ(state.WorkerCount, 1);
  EXPECT_TRUE(state.Found.Empty());
  EXPECT_TRUE(reports.empty());
}

TEST_F(CrawlEngineTest, AFailingPageIsReportedWithItsUrlAndTheCrawlGoesOn) {
  {
    TCrawlEngine engine(
        state,
        [this](const std::string& url, bool firstPage) {
          Visit(url, firstPage);
          if (url == "p3") throw std::runtime_error("disk full");
          if (url == "p4") throw 42;
        },
        Reporter(), CountingStart());
    engine.Run(terminated);
  }
  ExpectEveryPageVisitedOnce();
  std::sort(reports.begin(), reports.end());
  EXPECT_THAT(reports, ElementsAre("Error on page p3: disk full", "Error on page p4: unknown error"));
}

TEST_F(CrawlEngineTest, NoWorkerAtAllGivesTheErrorToTheCallerWithoutWaitingForever) {
  {
    TCrawlEngine engine(state, Visitor(), Reporter(), CountingStart(0));
    EXPECT_THROW(engine.Run(terminated), std::system_error);
  }
  EXPECT_TRUE(visits.empty());
  EXPECT_EQ(state.WorkerCount, 1);
}

TEST_F(CrawlEngineTest, AWorkerRefusedLaterIsReportedAndTheOthersFinishTheCrawl) {
  {
    // The first page stays busy until the engine asked for a second worker, which a fast first
    // worker could otherwise make unneeded.
    TCrawlEngine engine(
        state,
        [this](const std::string& url, bool firstPage) {
          Visit(url, firstPage);
          const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
          while (firstPage && threadStarts.load() < 2 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
        },
        Reporter(), CountingStart(1));
    engine.Run(terminated);
  }
  ExpectEveryPageVisitedOnce();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(reports[0].starts_with("Error starting a page worker: ")) << reports[0];
  // Once refused, the engine does not ask again.
  EXPECT_EQ(threadStarts.load(), 2);
}

TEST_F(CrawlEngineTest, TerminationLetsTheBusyPagesEndAndTakesNoOther) {
  {
    TCrawlEngine engine(
        state,
        [this](const std::string& url, bool firstPage) {
          Visit(url, firstPage);
          terminated = true;
        },
        Reporter(), CountingStart());
    engine.Run(terminated);
  }
  // Whoever was busy when the request came finishes; nobody takes a new link after it.
  EXPECT_GE(visits.size(), 1u);
  EXPECT_LE(visits.size(), size_t{TCrawlEngine::kMaxPageWorkers});
  EXPECT_EQ(state.WorkerCount, 1);
}

}  // namespace
}  // namespace varnelo::retrieval
