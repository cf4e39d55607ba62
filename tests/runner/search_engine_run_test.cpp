#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "runner/robot_runner.h"
#include "runner/runner_fixture.h"
#include "search/engine_activity.h"
#include "support/temp_home.h"

namespace varnelo::runner {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(EncodeSearchQuery, EncodesControlsBlanksHighBytesAndTheListedSigns) {
  struct TCase {
    std::string query;
    std::string encoded;
  };
  const TCase cases[] = {
      {"fish & chips", "fish%20&%20chips"},
      {"\xC3\xA9t\xC3\xA9", "%C3%A9t%C3%A9"},  // typed UTF-8
      {"\xE9", "%E9"},
      {"\"%`<>[\\]^_{|}~", "%22%25%60%3C%3E%5B%5C%5D%5E%5F%7B%7C%7D%7E"},
      {"a=1+b/c?d:e;f@g,h'i(j)*!$#", "a=1+b/c?d:e;f@g,h'i(j)*!$#"},
      {std::string("\x00\x1F\x7F", 3), "%00%1F%7F"},
  };
  for (const TCase& c : cases) EXPECT_EQ(EncodeSearchQuery(c.query), c.encoded) << c.query;
}

// A search engine robot whose engines neither show nor send anything: each worker ends at once, so
// only the runner's side of the run is seen.
class SearchEngineRunTest : public RobotRunnerTest {
protected:
  void AddEngine(const std::string& robot, const std::string& engine, const std::string& getQuery, bool rss = false,
                 bool active = true) {
    const auto folder = home_.Path() / "Robot Definitions" / robot;
    std::filesystem::create_directories(folder);
    test::WriteFile(folder / engine,
                    "[Properties]\r\ngetquery=" + getQuery + "\r\nrss=" + (rss ? "1" : "0") + "\r\n");
    if (!active) search::SetEngineActive(home_.Path(), robot, engine, false);
  }
  std::vector<std::string> SearchLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : log_.lines) {
      if (line.starts_with("démarrage") || line.starts_with("No more") || line.starts_with("Robot ")) {
        lines.push_back(line);
      }
    }
    return lines;
  }
  static std::string Starting(const std::string& url) { return "démarrage du processus(Engines:" + url + ")"; }
};

TEST_F(SearchEngineRunTest, MoreWorkersThanEnginesStartsEveryEngineOnce) {
  AddRobot("Engines", "DataFrom=Search engine functionality\r\nnbsimul=3\r\n");
  AddEngine("Engines", "a.def", "http://127.0.0.1:1/a?q=$_&again=$_");
  AddEngine("Engines", "b.def", "http://127.0.0.1:1/b/$_");
  AddEngine("Engines", "c.def", "http://127.0.0.1:1/c", false, false);
  runner_.CreateSearchEngineThread("Engines", 3, "fish & chips");
  EXPECT_EQ(list_.Entries().front(), "Engines(working)");
  RunToIdle();
  EXPECT_THAT(SearchLines(), ElementsAre(Starting("http://127.0.0.1:1/a?q=fish%20&%20chips&again=fish%20&%20chips"),
                                         Starting("http://127.0.0.1:1/b/fish%20&%20chips"),
                                         "No more Engines will be started", "No more Engines sera démarré",
                                         "No more Engines sera démarré", "Robot Engines s'est terminé"));
  EXPECT_EQ(list_.Entries().front(), "Engines(idle)");
  EXPECT_EQ(Value("Engines", "running"), "0");
  EXPECT_THAT(indicators_.running, ElementsAre(true, true, true, false));
}

TEST_F(SearchEngineRunTest, EachEndingWorkerStartsTheNextEngine) {
  AddRobot("Engines", "DataFrom=Search engine functionality\r\n");
  AddEngine("Engines", "a.def", "http://127.0.0.1:1/a?q=$_");
  AddEngine("Engines", "b.def", "http://127.0.0.1:1/b?q=$_");
  // Started from the panel: the query is empty and "$_" disappears.
  ASSERT_TRUE(Start("Engines"));
  RunToIdle();
  EXPECT_THAT(SearchLines(), ElementsAre(Starting("http://127.0.0.1:1/a?q="), Starting("http://127.0.0.1:1/b?q="),
                                         "No more Engines sera démarré", "Robot Engines s'est terminé"));
}

TEST_F(SearchEngineRunTest, NothingStartsWithoutActiveEngineOrWithoutWorkers) {
  AddRobot("Engines", "DataFrom=Search engine functionality\r\nAllRSSInOneWindow=1\r\n");
  runner_.CreateSearchEngineThread("Engines", 1, "x");
  AddEngine("Engines", "off.def", "http://127.0.0.1:1/", false, false);
  runner_.CreateSearchEngineThread("Engines", 1, "x");
  EXPECT_THAT(tabs_.Tabs(), IsEmpty());
  AddEngine("Engines", "on.def", "http://127.0.0.1:1/");
  runner_.CreateSearchEngineThread("Engines", 0, "x");
  EXPECT_THAT(log_.lines, IsEmpty());
  EXPECT_FALSE(runner_.Running("Engines"));
  // The shared tab of a run that started nothing can be closed.
  ASSERT_EQ(tabs_.Tabs().size(), 1u);
  EXPECT_EQ(tabs_.Tabs().front()->Desc.Owner, nullptr);
}

TEST_F(SearchEngineRunTest, TheSharedRssTabOpensFirstAndIsReleasedWhenTheRunIsOver) {
  AddRobot("Engines", "DataFrom=Search engine functionality\r\nAllRSSInOneWindow=1\r\nnbsimul=2\r\n");
  AddEngine("Engines", "a.def", "http://127.0.0.1:1/a");
  AddEngine("Engines", "b.def", "http://127.0.0.1:1/b");
  runner_.CreateSearchEngineThread("Engines", 2, "");
  ASSERT_EQ(tabs_.Tabs().size(), 1u);
  const base::TTabSheet& tab = *tabs_.Tabs().front();
  EXPECT_EQ(tab.Caption, "Engines");
  EXPECT_EQ(tab.Desc.RobotName, "Engines");
  EXPECT_EQ(tab.Content.Template, base::TTabTemplate::ListViewRSS);
  EXPECT_NE(tab.Desc.Owner, nullptr);
  RunToIdle();
  EXPECT_EQ(tab.Desc.Owner, nullptr);
}

TEST_F(SearchEngineRunTest, OverlappingRunsEndTheRobotOnce) {
  AddRobot("Engines", "DataFrom=Search engine functionality\r\n");
  AddEngine("Engines", "a.def", "http://127.0.0.1:1/a?q=$_");
  AddEngine("Engines", "b.def", "http://127.0.0.1:1/b?q=$_");
  runner_.CreateSearchEngineThread("Engines", 1, "one");
  runner_.CreateSearchEngineThread("Engines", 1, "two");
  RunToIdle();
  const auto ends = std::count(log_.lines.begin(), log_.lines.end(), "Robot Engines s'est terminé");
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(std::count_if(log_.lines.begin(), log_.lines.end(),
                          [](const std::string& line) { return line.starts_with("démarrage"); }),
            4);
}

}  // namespace
}  // namespace varnelo::runner
