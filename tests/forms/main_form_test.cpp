#include "forms/main_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/browser.h"
#include "network/tls_settings.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::shell {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using TShown = test::TRecordingDialogs::TShown;

class MainFormTest : public ::testing::Test {
protected:
  explicit MainFormTest(std::string_view robotConfig = "[general]\r\n[dictionary]\r\n") : home_(robotConfig) {}

  TMainForm& Form() {
    if (!form_) {
      form_ = std::make_unique<TMainForm>(home_.Path(), queue_,
                                          TMainFormPorts{log_, dialogs_, indicators_, shellOpen_});
    }
    return *form_;
  }
  std::string RobotConfig() const { return test::ReadFile(home_.RobotConfigPath()); }
  void SetRobotConfig(std::string_view content) const { test::WriteFile(home_.RobotConfigPath(), content); }

  test::TTempHome home_;
  base::TMainQueue queue_;
  test::TRecordingLog log_;
  test::TRecordingDialogs dialogs_;
  test::TRecordingIndicators indicators_;
  test::TRecordingShellOpen shellOpen_;
  std::unique_ptr<TMainForm> form_;
};

TEST_F(MainFormTest, ListsEveryRobotSectionInFileOrder) {
  SetRobotConfig(
      "[general]\r\nnextrobot=4\r\n[dictionary]\r\nfile1=/d.txt\r\n[moteur]\r\nrobotno=0\r\n"
      "[General]\r\n[bookmarks]\r\nfile0=/b.bmf\r\n[Dictionary]\r\n");
  Form().Create();
  EXPECT_THAT(Form().RobotList().Entries(),
              ElementsAre("moteur(idle)", "General(idle)", "bookmarks(idle)", "Dictionary(idle)"));
  EXPECT_EQ(Form().WorkerTable().Size(), 4u);
  EXPECT_EQ(Form().WorkerTable().RunningWorkerCount(), 0);
  EXPECT_FALSE(Form().CloseRequested());
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(MainFormTest, CreatesItsFoldersAndSetsTheIndicators) {
  std::filesystem::remove_all(home_.Path() / "email");
  std::filesystem::remove_all(home_.Path() / "antiantispam-garbage");
  Form().Create();
  EXPECT_TRUE(std::filesystem::is_directory(home_.Path() / "email"));
  EXPECT_TRUE(std::filesystem::is_directory(home_.Path() / "antiantispam-garbage"));
  EXPECT_THAT(indicators_.running, ElementsAre(false));
  EXPECT_TRUE(indicators_.trayVisible);
  EXPECT_EQ(Form().WorkerTable().Size(), 1u);  // nextrobot absent
}

TEST_F(MainFormTest, BuildsTheQuickSearchMenuFromTheCategories) {
  SetRobotConfig(
      "[general]\r\n[dictionary]\r\n[g]\r\nDataFrom=Search engine functionality\r\nCategory=News\r\n"
      "[s]\r\nDataFrom=Script (use it for database request)\r\nCategory=News\r\n");
  test::WriteFile(home_.Path() / "Category.ini", "[General]\r\n[News]\r\n");
  Form().Create();
  ASSERT_EQ(Form().QuickSearchMenu().Entries().size(), 2u);
  EXPECT_EQ(Form().QuickSearchMenu().Entries()[1].caption, "News");
  ASSERT_EQ(Form().QuickSearchMenu().Entries()[1].robots.size(), 1u);
  EXPECT_EQ(Form().QuickSearchMenu().Entries()[1].robots[0].caption, "g");
}

TEST_F(MainFormTest, ANewHomeOffersTheFirstSearchRobotOfTheMenu) {
  SetRobotConfig(
      "[general]\r\n[dictionary]\r\n[script]\r\nDataFrom=Script (use it for database request)\r\n"
      "[sport]\r\nDataFrom=Search engine functionality\r\nCategory=Sport\r\n"
      "[news]\r\nDataFrom=Search engine functionality\r\nCategory=News\r\n");
  test::WriteFile(home_.Path() / "Category.ini", "[General]\r\n[News]\r\n[Sport]\r\n");
  Form().Create();
  EXPECT_EQ(Form().QuickSearchBar().ChosenRobot(), search::kInitialChosenRobot);
  Form().ChooseFirstSearchRobot();
  // The first category that has one, in the menu's order.
  EXPECT_EQ(Form().QuickSearchBar().ChosenRobot(), "news");
}

TEST_F(MainFormTest, WithoutSearchRobotsTheBarKeepsItsCaption) {
  Form().Create();
  Form().ChooseFirstSearchRobot();
  EXPECT_EQ(Form().QuickSearchBar().ChosenRobot(), search::kInitialChosenRobot);
}

TEST_F(MainFormTest, TheEditorRegistersANewRobotWithThePanelAndTheRunner) {
  SetRobotConfig("[general]\r\nnextrobot=1\r\n[dictionary]\r\n[old]\r\nrobotno=0\r\n");
  Form().Create();
  EXPECT_THAT(Form().Panel().Menu(runner::TRobotMenu::Start), ElementsAre("old"));
  test::WriteFile(home_.Path() / "interpretercode" / "job.pas", "program Job; begin end.\r\n");
  const auto editor = Form().OpenRobotEditor(std::nullopt);
  editor->robotName = "job";
  editor->SetActivePage(5);
  editor->script.scriptName = (home_.Path() / "interpretercode" / "job.pas").string();
  editor->script.seeOnScreen = false;
  ASSERT_TRUE(editor->ClickSave());
  EXPECT_THAT(Form().RobotList().Entries(), ElementsAre("old(idle)", "job(idle)"));
  EXPECT_THAT(Form().Panel().Menu(runner::TRobotMenu::Stop), ElementsAre("old", "job"));
  EXPECT_EQ(Form().WorkerTable().Size(), 2u);
  // The runner starts it at once.
  ASSERT_EQ(Form().Runner().Start("job"), runner::TStartOutcome::Started);
  queue_.RunUntil([this] { return Form().Runner().RunningWorkerCount() == 0; });
  EXPECT_THAT(log_.lines, Contains("Robot job s'est terminé"));
}

TEST_F(MainFormTest, GoStartsASearchRunOfTheChosenRobot) {
  SetRobotConfig("[general]\r\n[dictionary]\r\n[web]\r\nDataFrom=Search engine functionality\r\nnbsimul=2\r\n");
  const auto folder = home_.Path() / "Robot Definitions" / "web";
  std::filesystem::create_directories(folder);
  test::WriteFile(folder / "e.def", "[Properties]\r\ngetquery=http://127.0.0.1:1/?q=$_\r\n");
  Form().Create();
  Form().QuickSearchBar().ChooseRobot("web");
  Form().QuickSearchBar().Go("a b");
  queue_.RunUntil([this] { return Form().Runner().RunningWorkerCount() == 0; });
  EXPECT_THAT(log_.lines, Contains("démarrage du processus(web:http://127.0.0.1:1/?q=a%20b)"));
  EXPECT_THAT(log_.lines, Contains("Robot web s'est terminé"));
}

TEST_F(MainFormTest, HttpClientsTakeTlsVerifyFromThisHome) {
  SetRobotConfig("[general]\r\ntlsverify=0\r\n[dictionary]\r\n");
  Form().Create();
  EXPECT_FALSE(network::ReadTlsVerify());
  SetRobotConfig("[general]\r\ntlsverify=1\r\n[dictionary]\r\n");
  EXPECT_TRUE(network::ReadTlsVerify());
  network::SetTlsConfigFile({});
}

TEST_F(MainFormTest, ResetsUnfinishedRandomQueryItemsOnly) {
  SetRobotConfig(
      "[general]\r\n[dictionary]\r\n"
      "[q]\r\nthread2*1=a,c,b,processing\r\nthread2*2=d,f,f,processingdone\r\n"
      "[p]\r\nurlthread0*1=http://a/,http://j/,http://c/,processing\r\n"
      "[general2]\r\nthread1*1=x,y,x,processing\r\n");
  Form().Create();
  EXPECT_EQ(RobotConfig(),
            "[general]\r\n[dictionary]\r\n"
            "[q]\r\nthread2*1=a,c,b,not_processing\r\nthread2*2=d,f,f,processingdone\r\n"
            "[p]\r\nurlthread0*1=http://a/,http://j/,http://c/,processing\r\n"
            "[general2]\r\nthread1*1=x,y,x,not_processing\r\n");
}

TEST_F(MainFormTest, FewerThanTwoSectionsShowsTheMessageAndAsksToClose) {
  SetRobotConfig("[general]\r\n");
  Form().Create();
  EXPECT_THAT(dialogs_.messages, ElementsAre(TShown{std::string(kMissingSectionsMessage), "error",
                                                    base::TDialogsPort::TIcon::Error}));
  EXPECT_TRUE(Form().CloseRequested());
  EXPECT_TRUE(Form().RobotList().Entries().empty());
}

TEST_F(MainFormTest, OnlyTheNumberOfSectionsIsChecked) {
  SetRobotConfig("[a]\r\n[b]\r\n");
  Form().Create();
  EXPECT_FALSE(Form().CloseRequested());
  EXPECT_THAT(Form().RobotList().Entries(), ElementsAre("a(idle)", "b(idle)"));
}

struct TBrowserCase {
  const char* stored;
  bool firefox;
};

class BrowserChoiceTest : public MainFormTest, public ::testing::WithParamInterface<TBrowserCase> {};

TEST_P(BrowserChoiceTest, OnlyExactlyFirefoxIsFirefox) {
  SetRobotConfig(std::string("[general]\r\n") + GetParam().stored + "\r\n[dictionary]\r\n");
  Form().Create();
  EXPECT_EQ(Form().BrowserIsFirefox(), GetParam().firefox);
}

INSTANTIATE_TEST_SUITE_P(Cases, BrowserChoiceTest,
                         ::testing::Values(TBrowserCase{"", true}, TBrowserCase{"browser=firefox", true},
                                           TBrowserCase{"browser=Firefox", false}, TBrowserCase{"browser=ie", false},
                                           TBrowserCase{"browser=", false}));

TEST_F(MainFormTest, BrowserMenuWritesTheChoice) {
  Form().Create();
  Form().SetBrowser(false);
  EXPECT_FALSE(Form().BrowserIsFirefox());
  EXPECT_EQ(RobotConfig(), "[general]\r\nbrowser=ie\r\n[dictionary]\r\n");
  Form().SetBrowser(true);
  EXPECT_EQ(RobotConfig(), "[general]\r\nbrowser=firefox\r\n[dictionary]\r\n");
}

TEST_F(MainFormTest, ErrorsOfQueuedCallsReachTheErrorDialog) {
  Form();
  queue_.Post([] { throw config::EConfigWriteError("/home/x/robotconfig.ini"); });
  queue_.RunPending();
  EXPECT_THAT(dialogs_.errors, ElementsAre("ERROR: Unable to write to /home/x/robotconfig.ini"));
}

// A worker that runs until it is asked to stop (or, like the workers that ignore the request, for a
// short while), then needs the main thread once more to save its state.
class TSavingWorker : public base::TWorker {
public:
  TSavingWorker(base::TMainQueue& queue, base::TLogPort& log, bool honoursTermination)
      : base::TWorker(queue), log_(log), honoursTermination_(honoursTermination) {}

protected:
  void Execute() override {
    if (honoursTermination_) {
      while (!Terminated()) std::this_thread::sleep_for(1ms);
    } else {
      std::this_thread::sleep_for(10ms);
    }
    Synchronize([this] { log_.AppendLine("saved"); });
  }

private:
  base::TLogPort& log_;
  bool honoursTermination_;
};

class ShutdownTest : public MainFormTest {
protected:
  // Starts a worker as the runner does: in the robot's table entry, counted, and taken out by its
  // end handler, which may chain a successor.
  void StartWorker(int robotno, int successors = 0, bool honoursTermination = true) {
    auto worker = std::make_unique<TSavingWorker>(queue_, log_, honoursTermination);
    worker->SetOnTerminate([this, robotno, successors](base::TWorker& ended) {
      Form().WorkerTable().Remove(robotno, &ended);
      log_.AppendLine("ended " + std::to_string(robotno));
      if (successors > 0) StartWorker(robotno, successors - 1, false);
      Form().WorkerTable().WorkerEnded();
    });
    base::TWorker* started = base::TWorker::Start(std::move(worker));
    Form().WorkerTable().Add(robotno, started);
    Form().WorkerTable().WorkerStarted();
  }
  // What the front end does once the shutdown has begun: it keeps turning its own loop, running the
  // main queue, until the core says the shutdown is over. A shutdown that never ends fails the test
  // (false) instead of hanging the suite.
  [[nodiscard]] bool RunLoopUntilShutdownFinished() {
    bool finished = Form().ShutdownComplete();
    const base::TConnection listening = Form().ShutdownFinished.Connect([&] { finished = true; });
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!finished && std::chrono::steady_clock::now() < deadline) queue_.WaitAndRunPending(10ms);
    return finished;
  }
};

TEST_F(ShutdownTest, NoKeepsEveryRobotRunning) {
  Form().Create();
  StartWorker(0);
  dialogs_.answers = {base::TDialogsPort::TAnswer::No};
  EXPECT_FALSE(Form().CloseQuery());
  EXPECT_THAT(dialogs_.questions, ElementsAre(TShown{"Fermer le programme ?", "Question", base::TDialogsPort::TIcon::Question}));
  EXPECT_TRUE(Form().WorkerTable().Running(0));
  EXPECT_TRUE(indicators_.trayVisible);
  EXPECT_EQ(queue_.WaitAndRunPending(20ms), 0u);
  EXPECT_EQ(Form().WorkerTable().RunningWorkerCount(), 1);

  dialogs_.answers = {base::TDialogsPort::TAnswer::Yes};
  EXPECT_TRUE(Form().CloseQuery());
  ASSERT_TRUE(RunLoopUntilShutdownFinished());
  EXPECT_EQ(Form().WorkerTable().RunningWorkerCount(), 0);
}

TEST_F(ShutdownTest, YesStopsEveryWorkerAndWaitsForTheirEndHandlers) {
  SetRobotConfig("[general]\r\nnextrobot=3\r\n[dictionary]\r\n");
  Form().Create();
  StartWorker(0);
  StartWorker(2);
  StartWorker(2);
  dialogs_.answers = {base::TDialogsPort::TAnswer::Yes};
  EXPECT_TRUE(Form().CloseQuery());
  EXPECT_TRUE(Form().ShuttingDown());
  ASSERT_TRUE(RunLoopUntilShutdownFinished());
  EXPECT_EQ(Form().WorkerTable().RunningWorkerCount(), 0);
  EXPECT_FALSE(Form().WorkerTable().Running(0));
  EXPECT_FALSE(Form().WorkerTable().Running(2));
  EXPECT_FALSE(indicators_.trayVisible);
  // Every worker saved through the main thread before its end handler ran.
  EXPECT_EQ(std::count(log_.lines.begin(), log_.lines.end(), "saved"), 3);
  EXPECT_EQ(std::count(log_.lines.begin(), log_.lines.end(), "ended 2"), 2);
}

TEST_F(ShutdownTest, WaitsForWorkersThatEndHandlersChain) {
  Form().Create();
  // The successors start after the termination requests went out and run to their own end.
  StartWorker(0, 2);
  dialogs_.answers = {base::TDialogsPort::TAnswer::Yes};
  EXPECT_TRUE(Form().CloseQuery());
  ASSERT_TRUE(RunLoopUntilShutdownFinished());
  EXPECT_EQ(Form().WorkerTable().RunningWorkerCount(), 0);
  EXPECT_EQ(std::count(log_.lines.begin(), log_.lines.end(), "ended 0"), 3);
  EXPECT_EQ(std::count(log_.lines.begin(), log_.lines.end(), "saved"), 3);
}

// A browser whose page comes only once the test answers it; its load then finishes on the main
// thread when the main queue is next serviced, as a Qt browser's does in the event loop.
class TAnsweredBrowser : public base::TBrowser {
public:
  explicit TAnsweredBrowser(base::TMainQueue& queue) : queue_(queue) {}

  void Navigate(const std::string& url) override {
    requested_ = url;
    LoadStarted();
  }
  void NavigateWithPost(const std::string& url, const std::string&, const std::string&) override { Navigate(url); }
  void GoBack() override {}
  void GoForward() override {}
  void Stop() override {}
  void GoHome() override {}
  std::string DocumentSource() const override { return source_; }
  std::string LocationUrl() const override { return location_; }
  std::string Title() const override { return {}; }

  const std::string& Requested() const { return requested_; }
  void Answer() {
    queue_.Post([this, alive = std::weak_ptr<bool>(alive_)] {
      if (alive.expired()) return;
      location_ = requested_;
      source_ = "<html>\r\n" + requested_ + "\r\n</html>";
      CommandStateChanged(base::kCommandBack, false);
      LoadFinished(true);
    });
  }

private:
  base::TMainQueue& queue_;
  std::string requested_;
  std::string location_;
  std::string source_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TAnsweredBrowserFactory : public base::TBrowserFactory {
public:
  explicit TAnsweredBrowserFactory(base::TMainQueue& queue) : queue_(queue) {}
  std::unique_ptr<base::TBrowser> CreateBrowser(base::TBrowserKind) override {
    auto browser = std::make_unique<TAnsweredBrowser>(queue_);
    made.push_back(browser.get());
    return browser;
  }
  std::vector<TAnsweredBrowser*> made;

private:
  base::TMainQueue& queue_;
};

// Joins what the script gets: the URL, then every line, "|" between them.
constexpr std::string_view kJoiningScript =
    "var i: Integer; s: String;\r\nbegin\r\n  s := url;\r\n"
    "  for i := 0 to extractedItems.Count - 1 do s := s + '|' + extractedItems[i];\r\n  Result := s;\r\nend.\r\n";

TEST_F(ShutdownTest, SearchWorkersWaitingForTheirBrowsersEndThroughTheFrontEndsLoop) {
  const std::filesystem::path script = home_.Path() / "join.pas";
  test::WriteFile(script, kJoiningScript);
  SetRobotConfig("[general]\r\nnextrobot=1\r\nbrowser=ie\r\n[dictionary]\r\n[web]\r\n"
                 "DataFrom=Search engine functionality\r\nrobotno=0\r\nnbsimul=2\r\nSeeOnScreen=1\r\n"
                 "SendToScript=1\r\nScriptName=" + script.string() + "\r\n");
  const std::filesystem::path engines = home_.Path() / "Robot Definitions" / "web";
  std::filesystem::create_directories(engines);
  for (const char* engine : {"a", "b"}) {
    test::WriteFile(engines / (std::string(engine) + ".eng"),
                    std::string("[Properties]\r\ngetquery=http://127.0.0.1:1/") + engine + "?q=$_\r\n");
  }
  TAnsweredBrowserFactory browsers(queue_);
  Form().Tabs().SetBrowserFactory(&browsers);
  std::vector<std::string> opened, closed;
  base::TConnections watching;
  watching += Form().Tabs().TabOpened.Connect([&](const base::TTabSheet& tab) { opened.push_back(tab.Caption); });
  watching += Form().Tabs().Closing.Connect([&](const base::TTabSheet& tab) {
    // Last of all: every end handler has run.
    EXPECT_EQ(Form().WorkerTable().RunningWorkerCount(), 0);
    EXPECT_THAT(Form().RobotList().Entries(), ElementsAre("web(idle)"));
    EXPECT_TRUE(tab.Browser != nullptr);
    closed.push_back(tab.Caption);
  });
  Form().Create();
  ASSERT_EQ(Form().Runner().Start("web"), runner::TStartOutcome::Started);

  // Both workers have opened their tab and now wait for their page.
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  const auto navigated = [&] {
    return browsers.made.size() == 2 && !browsers.made[0]->Requested().empty() &&
           !browsers.made[1]->Requested().empty();
  };
  while (!navigated() && std::chrono::steady_clock::now() < deadline) queue_.WaitAndRunPending(10ms);
  ASSERT_TRUE(navigated());

  Form().BeginShutdown();
  EXPECT_TRUE(Form().ShuttingDown());
  EXPECT_FALSE(Form().ShutdownComplete());
  EXPECT_EQ(Form().WorkerTable().RunningWorkerCount(), 2);
  for (TAnsweredBrowser* browser : browsers.made) browser->Answer();
  ASSERT_TRUE(RunLoopUntilShutdownFinished());

  EXPECT_TRUE(Form().ShutdownComplete());
  // Each script had the page its browser loaded after the shutdown began.
  for (const char* engine : {"a", "b"}) {
    const std::string url = std::string("http://127.0.0.1:1/") + engine + "?q=";
    EXPECT_THAT(log_.lines, Contains(url + "|<html>|" + url + "|</html>"));
  }
  EXPECT_THAT(log_.lines, Contains("Robot web s'est terminé"));
  EXPECT_TRUE(Form().Tabs().Tabs().empty());
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(closed, (std::vector<std::string>{opened[1], opened[0]}));
}

}  // namespace
}  // namespace varnelo::shell
