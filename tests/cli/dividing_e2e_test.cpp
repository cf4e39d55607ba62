// The two robot kinds that divide a list among workers, run through varnelo-cli against a loopback
// server: how the list is cut into work items, chained, stopped by a signal and resumed. The server
// holds some answers back until the run has reached a given point, so that the order of events that
// decides the work items is the same at every run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cli/cli_e2e_fixture.h"

namespace varnelo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::Not;
using ::testing::UnorderedElementsAreArray;

constexpr auto kHoldLimit = 20s;

std::string Numbered(const char* prefix, int n) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%02d", prefix, n);
  return text;
}

// ---------------------------------------------------------------------------------------------
// Random HTTP query: 25 words, three workers, answers that link to data pages.

class RandomQueryE2eTest : public CliE2eTest {
protected:
  static constexpr int kWords = 25;

  RandomQueryE2eTest() {
    const fs::path dictionary = home_.Path() / "dictionary" / "mots.txt";
    std::string words;
    for (int n = 1; n <= kWords; ++n) words += Word(n) + "\r\n";
    WriteFile(dictionary, words);
    const fs::path definition = home_.Path() / "Robot Definitions" / "hasard.def";
    WriteFile(definition, "[Properties]\r\nstartresult=<body>\r\nendresult=</body>\r\n"
                          "urlregexp=http://127\\.0\\.0\\.1:[0-9]+/data/[a-z0-9]+\r\ngetquery=" +
                              server_.Url("/q?w=$_") +
                              "\r\nLimitationDefinitionType=Regular Expression\r\niflag=0\r\nmflag=1\r\nsflag=0\r\n"
                              "xflag=0\r\ngflag=1\r\nrflag=0\r\nDataLimitingRegexp=\r\n");
    WriteConfig("[general]\r\nnextrobot=1\r\nnextnodic=2\r\n[dictionary]\r\nfile1=" + dictionary.string() +
                "\r\n[Hasard]\r\nDataFrom=Random Http Query\r\nrobotno=0\r\nnbsimul=3\r\ndict=1\r\nRobotDefFile=" +
                definition.string() + "\r\nSendToScript=0\r\n");
    for (int n = 1; n <= kWords; ++n) {
      server_.Answer("/data/" + Word(n), TScriptedAnswer::Ok("<p>donnee " + Word(n) + "</p>\r\n"));
    }
  }

  static std::string Word(int n) { return Numbered("mot", n); }

  // The answer page of a word, which links to the word's data page and to a document that is skipped.
  std::string AnswerPage(int n) const {
    return "<html>\r\n<a href=\"" + server_.Url("/data/x") + "\">avant</a>\r\n<body>\r\n<p>Resultats</p>\r\n" +
           "<a href=\"" + server_.Url("/data/" + Word(n)) + "\">" + Word(n) + "</a> <a href=\"" +
           server_.Url("/data/" + Word(n)) + "\">encore</a>\r\n</body>\r\n<a href=\"" + server_.Url("/data/y") +
           "\">apres</a>\r\n</html>\r\n";
  }

  // Answers every word's query; those of `held` only once `release` holds.
  void ServeQueries(const std::vector<int>& held, const std::function<bool()>& release) {
    for (int n = 1; n <= kWords; ++n) {
      const std::string page = AnswerPage(n);
      TScriptedAnswer answer;
      if (std::find(held.begin(), held.end(), n) != held.end()) answer.WaitUntil(release, kHoldLimit);
      answer.Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) +
                  "\r\n\r\n" + page);
      server_.Answer("/q?w=" + Word(n), std::move(answer));
    }
  }

  // How many times each word was queried.
  std::map<std::string, int> Queries() const {
    std::map<std::string, int> counts;
    for (const std::string& target : Targets("GET")) {
      if (target.starts_with("/q?w=")) ++counts[target.substr(5)];
    }
    return counts;
  }

  std::string Item(int n) const { return Store().ReadString("Hasard", "thread1*" + std::to_string(n), ""); }
};

TEST_F(RandomQueryE2eTest, StoppedBySigintThenResumedQueriesEveryWord) {
  // Each worker is held at the fifth word of its item until the robot has been stopped.
  std::atomic<bool> stopSent{false};
  ServeQueries({5, 13, 21}, [&] { return stopSent.load() && Store().ReadString("Hasard", "running", "") == "0"; });
  {
    TCliProcess cli(Words({"run", "Hasard"}));
    ASSERT_TRUE(WaitFor([&] {
      const auto queries = Queries();
      return queries.contains("mot05") && queries.contains("mot13") && queries.contains("mot21");
    })) << cli.Err();
    cli.Signal(SIGINT);
    stopSent = true;
    EXPECT_EQ(cli.Wait(), 130) << cli.Err();
    const std::vector<std::string> log = LinesOf(cli.Err());
    for (const char* line : {"starting thread(Hasard:1)", "starting thread(Hasard:2)", "starting thread(Hasard:3)",
                             "Finished word mot04 in thread1", "Finished word mot12 in thread2",
                             "thread(Hasard:1) aborted", "thread(Hasard:2) aborted", "thread(Hasard:3) aborted",
                             "Thread Hasard 1 a été annulé.L'état a été enregistré",
                             "Thread Hasard 2 a été annulé.L'état a été enregistré",
                             "Thread Hasard 3 a été annulé.L'état a été enregistré"}) {
      EXPECT_EQ(CountOf(log, line), 1u) << line << "\n" << cli.Err();
    }
    EXPECT_EQ(CountOf(log, "Hasard:1:" + server_.Url("/data/mot01")), 1u) << cli.Err();
    EXPECT_THAT(log, Not(Contains("Robot Hasard s'est terminé")));
  }
  // The word each worker was held at is the next to do.
  EXPECT_EQ(Item(1), "mot01,mot08,mot05,not_processing");
  EXPECT_EQ(Item(2), "mot09,mot16,mot13,not_processing");
  EXPECT_EQ(Item(3), "mot17,mot24,mot21,not_processing");
  EXPECT_EQ(Item(4), "");
  EXPECT_EQ(Store().ReadString("Hasard", "running", ""), "0");

  ServeQueries({}, {});
  const TCliResult again = Run({"run", "Hasard"});
  EXPECT_EQ(again.status, 0) << again.err;
  const std::vector<std::string> log = LinesOf(again.err);
  for (const char* line : {"starting thread(Hasard:1)", "starting thread(Hasard:2)", "starting thread(Hasard:3)",
                           "starting thread(Hasard:4)", "No more Hasard will be started", "Robot Hasard s'est terminé"}) {
    EXPECT_EQ(CountOf(log, line), 1u) << line << "\n" << again.err;
  }
  EXPECT_EQ(log.back(), "Robot Hasard s'est terminé");
  EXPECT_EQ(Item(1), "mot01,mot08,mot08,processingdone");
  EXPECT_EQ(Item(2), "mot09,mot16,mot16,processingdone");
  EXPECT_EQ(Item(3), "mot17,mot24,mot24,processingdone");
  EXPECT_EQ(Item(4), "mot25,mot25,mot25,processingdone");
  EXPECT_EQ(Store().ReadString("Hasard", "running", ""), "0");

  // Every word was queried; only the three that the stop interrupted were queried twice.
  std::map<std::string, int> expected;
  for (int n = 1; n <= kWords; ++n) expected[Word(n)] = (n == 5 || n == 13 || n == 21) ? 2 : 1;
  EXPECT_EQ(Queries(), expected);
}

TEST_F(RandomQueryE2eTest, RunWithoutStopEndsWithEveryItemDone) {
  ServeQueries({}, {});
  const TCliResult run = Run({"run", "Hasard"});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> log = LinesOf(run.err);
  for (int n = 1; n <= kWords; ++n) {
    EXPECT_EQ(CountOf(log, "Finished word " + Word(n) + " in thread" + std::to_string(n == 25 ? 4 : (n - 1) / 8 + 1)),
              1u)
        << n;
  }
  // The links before "<body>" and after "</body>" are outside the result zone.
  EXPECT_THAT(Targets("GET"), Not(Contains("/data/x")));
  EXPECT_THAT(Targets("GET"), Not(Contains("/data/y")));
  EXPECT_EQ(CountOf(log, "No more Hasard will be started"), 1u);
  EXPECT_EQ(CountOf(log, "Robot Hasard s'est terminé"), 1u);
  EXPECT_EQ(CountOf(log, "ending thread(Hasard:4)"), 1u);
  EXPECT_EQ(Item(4), "mot25,mot25,mot25,processingdone");
  EXPECT_EQ(Store().ReadString("Hasard", "nexthread1", ""), "5");
}

// ---------------------------------------------------------------------------------------------
// Specified pages: a bookmark file of 25 URLs, two workers.

class SpecifiedPagesE2eTest : public CliE2eTest {
protected:
  static constexpr int kPages = 25;

  SpecifiedPagesE2eTest() {
    std::string lines;
    for (int n = 1; n <= kPages; ++n) lines += Page(n) + "\r\n";
    WriteFile(bookmarks_, lines);
    fs::create_directories(saved_);
    WriteConfig("[general]\r\nnextrobot=1\r\n[dictionary]\r\n[Pages]\r\nDataFrom=Download Specified Web/Ftp/News "
                "pages\r\nrobotno=0\r\nnbsimul=2\r\nBookmarkfile=" +
                bookmarks_.string() + "\r\nSeeOnScreen=0\r\nSaveDirectory=" + saved_.string() + "\r\n");
  }

  static std::string Path(int n) { return "/" + Numbered("p", n) + ".html"; }
  std::string Page(int n) const { return server_.Url(Path(n)); }

  // Serves every page; the first request for each page of `held` (its HEAD) is answered only once its
  // condition holds.
  void ServePages(const std::map<int, std::function<bool()>>& held) {
    for (int n = 1; n <= kPages; ++n) {
      TScriptedAnswer head;
      if (const auto found = held.find(n); found != held.end()) head.WaitUntil(found->second, kHoldLimit);
      head.Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 0\r\n\r\n");
      server_.AnswerMethod("HEAD", Path(n), std::move(head));
      server_.Answer(Path(n), TScriptedAnswer::Ok("<html><body><p>Page " + std::to_string(n) + "</p></body></html>"));
    }
  }

  // The order in which no range is taken twice: the first item records its progress before the second,
  // the second before the first ends, and the third (21-25, started by the first's end) before the
  // second ends.
  void ServePagesInOrder(int firstOfFirst, int firstOfSecond) {
    ServePages({{firstOfSecond + 2, [this] { return HasItem(1); }},
                {firstOfFirst + 3, [this] { return HasItem(2); }},
                {firstOfSecond + 3, [this] { return HasItem(3); }}});
  }

  std::string Item(int n) const { return Store().ReadString("Pages", "urlthread0*" + std::to_string(n), ""); }
  bool HasItem(int n) const { return !Item(n).empty(); }
  std::string Record(int first, int last, int current, const char* state) const {
    return Page(first) + "," + Page(last) + "," + Page(current) + "," + state;
  }

  // How many times each page was fetched with GET, from the server's `since`th request on.
  std::map<int, int> Fetches(size_t since = 0) const {
    const std::vector<std::string> targets = Targets("GET", since);
    std::map<int, int> counts;
    for (int n = 1; n <= kPages; ++n) {
      const int count = static_cast<int>(std::count(targets.begin(), targets.end(), Path(n)));
      if (count > 0) counts[n] = count;
    }
    return counts;
  }

  size_t Archives() const {
    size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(saved_)) count += entry.path().extension() == ".mht";
    return count;
  }

  std::string Starting(int n) const { return "starting thread(Pages:" + Page(n) + ")"; }

  const fs::path bookmarks_ = home_.Path() / "urllist" / "pages.bmf";
  const fs::path saved_ = home_.Path() / "saved";
};

const std::string kPagesNoMore = "No more Pages will be started";
const std::string kPagesEnded = "Robot Pages s'est terminé";

TEST_F(SpecifiedPagesE2eTest, TwentyFivePagesInItemsOfTenWithTwoWorkers) {
  ServePagesInOrder(1, 11);
  const TCliResult run = Run({"run", "Pages", "--keep"});

  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> log = LinesOf(run.err);
  EXPECT_THAT(log, UnorderedElementsAreArray({Starting(1), Starting(11), Starting(21), kPagesNoMore, kPagesEnded}));
  EXPECT_EQ(log.back(), kPagesEnded);
  EXPECT_EQ(Item(1), Record(1, 10, 10, "processingdone"));
  EXPECT_EQ(Item(2), Record(11, 20, 20, "processingdone"));
  EXPECT_EQ(Item(3), Record(21, 25, 25, "processingdone"));
  EXPECT_EQ(Store().ReadString("Pages", "nexturlthread0", ""), "4");
  EXPECT_EQ(Store().ReadString("bookmarks", "file0", ""), bookmarks_.string());
  std::map<int, int> once;
  for (int n = 1; n <= kPages; ++n) once[n] = 1;
  EXPECT_EQ(Fetches(), once);
  EXPECT_EQ(Archives(), 25u);
  EXPECT_EQ(run.out, "");  // SeeOnScreen is off
}

TEST_F(SpecifiedPagesE2eTest, StoppedBySigtermThenKeptResumesThenResetStartsOver) {
  std::atomic<bool> stopSent{false};
  const auto stopped = [&] { return stopSent.load() && Store().ReadString("Pages", "running", "") == "0"; };
  // The first item's record comes first in the file, as the resume pass reads the items in file order.
  ServePages({{13, [this] { return HasItem(1); }}, {5, stopped}, {15, stopped}});
  {
    TCliProcess cli(Words({"run", "--reset", "Pages"}));
    ASSERT_TRUE(WaitFor([&] {
      const std::vector<std::string> heads = Targets("HEAD");
      return std::count(heads.begin(), heads.end(), Path(5)) + std::count(heads.begin(), heads.end(), Path(15)) == 2;
    })) << cli.Err();
    cli.Signal(SIGTERM);
    stopSent = true;
    EXPECT_EQ(cli.Wait(), 130) << cli.Err();
    const std::vector<std::string> log = LinesOf(cli.Err());
    EXPECT_EQ(CountOf(log, "Thread Pages starting with " + Page(1) + " a été annulé. L'état a été enregistré"), 1u)
        << cli.Err();
    EXPECT_EQ(CountOf(log, "Thread Pages starting with " + Page(11) + " a été annulé. L'état a été enregistré"), 1u)
        << cli.Err();
    EXPECT_THAT(log, Not(Contains(kPagesEnded)));
  }
  // The page under way when the stop came was finished; the next one is where the item resumes.
  EXPECT_EQ(Item(1), Record(1, 10, 6, "not_processing"));
  EXPECT_EQ(Item(2), Record(11, 20, 16, "not_processing"));
  EXPECT_EQ(Item(3), "");

  // --keep resumes both items from where they stopped (their start lines name the items' first pages),
  // then takes 21-25; the resumed items' first field moves to where they resumed.
  const size_t keptSince = server_.Requests().size();
  ServePages({{10, [this] { return Item(2).ends_with(",processing"); }}, {20, [this] { return HasItem(3); }}});
  const TCliResult kept = Run({"run", "Pages", "--keep"});
  EXPECT_EQ(kept.status, 0) << kept.err;
  EXPECT_THAT(LinesOf(kept.err),
              UnorderedElementsAreArray({Starting(1), Starting(11), Starting(21), kPagesNoMore, kPagesEnded}));
  EXPECT_EQ(Item(1), Record(6, 10, 10, "processingdone"));
  EXPECT_EQ(Item(2), Record(16, 20, 20, "processingdone"));
  EXPECT_EQ(Item(3), Record(21, 25, 25, "processingdone"));
  std::map<int, int> secondRun;
  for (int n = 1; n <= kPages; ++n) {
    if (n >= 6 && n != 11 && n != 12 && n != 13 && n != 14 && n != 15) secondRun[n] = 1;
  }
  EXPECT_EQ(Fetches(keptSince), secondRun);

  // --reset forgets every item: the run starts again from the first page.
  const size_t resetSince = server_.Requests().size();
  ServePagesInOrder(1, 11);
  const TCliResult reset = Run({"run", "Pages", "--reset"});
  EXPECT_EQ(reset.status, 0) << reset.err;
  EXPECT_THAT(LinesOf(reset.err),
              UnorderedElementsAreArray({Starting(1), Starting(11), Starting(21), kPagesNoMore, kPagesEnded}));
  EXPECT_EQ(Item(1), Record(1, 10, 10, "processingdone"));
  EXPECT_EQ(Item(3), Record(21, 25, 25, "processingdone"));
  EXPECT_EQ(Store().ReadString("Pages", "nexturlthread0", ""), "4");
  std::map<int, int> once;
  for (int n = 1; n <= kPages; ++n) once[n] = 1;
  EXPECT_EQ(Fetches(resetSince), once);
}

}  // namespace
}  // namespace varnelo::test
