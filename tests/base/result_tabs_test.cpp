#include "base/result_tabs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/signal.h"

namespace varnelo::base {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A browser that says when it is gone and reports what the test makes it report.
class TFakeBrowser : public TBrowser {
public:
  explicit TFakeBrowser(std::shared_ptr<bool> alive) : alive_(std::move(alive)) { *alive_ = true; }
  ~TFakeBrowser() override { *alive_ = false; }
  void Navigate(const std::string& url) override { urls.push_back(url); }
  void NavigateWithPost(const std::string& url, const std::string&, const std::string&) override {
    urls.push_back(url);
  }
  void GoBack() override {}
  void GoForward() override {}
  void Stop() override {}
  void GoHome() override {}
  std::string DocumentSource() const override { return {}; }
  std::string LocationUrl() const override { return {}; }
  std::string Title() const override { return {}; }

  std::vector<std::string> urls;

private:
  std::shared_ptr<bool> alive_;
};

class TFakeBrowserFactory : public TBrowserFactory {
public:
  std::unique_ptr<TBrowser> CreateBrowser(TBrowserKind) override {
    alive.push_back(std::make_shared<bool>(false));
    auto browser = std::make_unique<TFakeBrowser>(alive.back());
    made.push_back(browser.get());
    return browser;
  }
  // Whether the browser of `tab` still lives.
  bool Alive(const TTabSheet& tab) const {
    for (size_t i = 0; i < made.size(); ++i) {
      if (made[i] == tab.Browser.get()) return *alive[i];
    }
    return false;
  }

  std::vector<TFakeBrowser*> made;
  std::vector<std::shared_ptr<bool>> alive;
};

// Records what the tabs raise, one text per signal.
class ResultTabsTest : public ::testing::Test {
protected:
  ResultTabsTest() {
    tabs_.SetBrowserFactory(&factory_);
    listening_ += tabs_.TabOpened.Connect([this](const TTabSheet& tab) {
      events_.push_back("opened " + tab.Caption + " " + tab.Desc.RobotName + (tab.Desc.Owner ? " owned" : ""));
    });
    listening_ += tabs_.RowsAdded.Connect([this](const TTabSheet& tab, size_t first, size_t count) {
      std::string text = "rows " + tab.Caption + " " + std::to_string(first) + "+" + std::to_string(count);
      for (size_t i = first; i < first + count; ++i) text += " " + tab.Content.Rows[i].Caption;
      events_.push_back(text);
    });
    listening_ += tabs_.OwnerReleased.Connect([this](const TTabSheet& tab) {
      events_.push_back("released " + tab.Caption + (tab.Desc.Owner ? " still owned" : ""));
    });
    listening_ +=
        tabs_.CaptionChanged.Connect([this](const TTabSheet& tab) { events_.push_back("caption " + tab.Caption); });
    listening_ += tabs_.Navigated.Connect(
        [this](const TTabSheet& tab) { events_.push_back("navigated " + tab.Caption + " " + tab.Content.Url); });
    listening_ += tabs_.Closing.Connect([this](const TTabSheet& tab) {
      // The tab is still whole: its content and its browser are freed after the listeners.
      events_.push_back("closing " + tab.Caption + (factory_.Alive(tab) ? " with browser" : ""));
    });
  }
  std::vector<std::string> Events() { return std::exchange(events_, {}); }
  TTabId List(const std::string& caption, const void* owner = nullptr, const std::string& robot = "r") {
    return tabs_.OpenResultTab(TTabTemplate::ListView, owner, robot, caption);
  }
  static TListRow Row(const std::string& caption) { return TListRow{caption, {"line"}, {}}; }

  TFakeBrowserFactory factory_;
  TResultTabs tabs_;
  std::vector<std::string> events_;
  base::TConnections listening_;
  const int worker_ = 0;
  const int otherWorker_ = 0;
};

TEST_F(ResultTabsTest, OpeningRaisesTheTabWithItsDescriptor) {
  List("list", &worker_, "site");
  tabs_.OpenResultTab(TTabTemplate::ListViewRSS, nullptr, "news", "rss");
  tabs_.OpenResultTab(TTabTemplate::WebBrowser, &worker_, "news", "web");
  tabs_.OpenMozillaTab(&worker_, "news", "moz");
  EXPECT_THAT(Events(), ElementsAre("opened list site owned", "opened rss news", "opened web news owned",
                                    "opened moz news owned"));
  EXPECT_EQ(factory_.made.size(), 2u);
}

TEST_F(ResultTabsTest, RowsComeInBatchesThatNameTheirPlaceInTheList) {
  const TTabId list = List("list");
  const TTabId web = tabs_.OpenResultTab(TTabTemplate::WebBrowser, nullptr, "r", "web");
  Events();
  EXPECT_TRUE(tabs_.AddRow(list, Row("a")));
  EXPECT_TRUE(tabs_.AddRows(list, {Row("b"), Row("c"), Row("d")}));
  EXPECT_TRUE(tabs_.AddRows(list, {}));  // nothing new: nothing raised
  EXPECT_FALSE(tabs_.AddRows(web, {Row("x")}));
  EXPECT_FALSE(tabs_.AddRow(12345, Row("y")));
  EXPECT_THAT(Events(), ElementsAre("rows list 0+1 a", "rows list 1+3 b c d"));
  ASSERT_TRUE(tabs_.Close(list));
  EXPECT_FALSE(tabs_.AddRows(list, {Row("e")}));  // the user closed it while its crawl went on
  EXPECT_THAT(Events(), ElementsAre("closing list"));
}

TEST_F(ResultTabsTest, ReleasingTheOwnerFreesTheFirstTabOfThatWorkerOnly) {
  const TTabId first = List("first", &worker_);
  const TTabId second = List("second", &worker_);
  const TTabId other = List("other", &otherWorker_);
  Events();
  tabs_.PossibleToCloseTabsheet(&worker_);
  EXPECT_THAT(Events(), ElementsAre("released first"));
  EXPECT_EQ(tabs_.Find(first)->Desc.Owner, nullptr);
  EXPECT_EQ(tabs_.Find(second)->Desc.Owner, &worker_);
  EXPECT_FALSE(tabs_.ReleaseOwner(first));  // it has none
  EXPECT_TRUE(tabs_.ReleaseOwner(other));
  tabs_.PossibleToCloseTabsheet(&otherWorker_);  // no tab of it left with an owner
  EXPECT_THAT(Events(), ElementsAre("released other"));
}

TEST_F(ResultTabsTest, CaptionAndNavigationChangesAreRaised) {
  const TTabId web = tabs_.OpenResultTab(TTabTemplate::WebBrowser, nullptr, "r", "web");
  const TTabId list = List("list");
  Events();
  EXPECT_TRUE(tabs_.SetCaption(web, "Moteur"));
  EXPECT_TRUE(tabs_.SetCaption(web, "Moteur"));  // the same: nothing raised
  EXPECT_FALSE(tabs_.SetCaption(999, "x"));
  EXPECT_TRUE(tabs_.Navigate(web, "http://127.0.0.1/a"));
  EXPECT_TRUE(tabs_.NavigateWithPost(web, "http://127.0.0.1/p", "q=1", "h"));
  EXPECT_FALSE(tabs_.Navigate(list, "http://127.0.0.1/b"));
  EXPECT_THAT(Events(), ElementsAre("caption Moteur", "navigated Moteur http://127.0.0.1/a",
                                    "navigated Moteur http://127.0.0.1/p"));
  EXPECT_THAT(factory_.made[0]->urls, ElementsAre("http://127.0.0.1/a", "http://127.0.0.1/p"));
}

TEST_F(ResultTabsTest, EveryBrowsersCommandStateIsRaisedWithItsTab) {
  const TTabId web = tabs_.OpenResultTab(TTabTemplate::WebBrowser, nullptr, "r", "web");
  const TTabId moz = tabs_.OpenMozillaTab(nullptr, "r", "moz");
  std::vector<std::tuple<TTabId, int, bool>> states;
  const base::TConnection connection = tabs_.CommandStateChanged.Connect(
      [&](TTabId tab, int command, bool enabled) { states.emplace_back(tab, command, enabled); });
  factory_.made[1]->CommandStateChanged(kCommandBack, true);
  factory_.made[0]->CommandStateChanged(kCommandForward, false);
  EXPECT_EQ(states,
            (std::vector<std::tuple<TTabId, int, bool>>{{moz, kCommandBack, true}, {web, kCommandForward, false}}));
}

TEST_F(ResultTabsTest, ClosingIsRaisedBeforeTheTabAndItsBrowserAreFreedAndOnlyWhenItMayClose) {
  const TTabId owned = tabs_.OpenResultTab(TTabTemplate::WebBrowser, &worker_, "r", "owned");
  const TTabId web = tabs_.OpenResultTab(TTabTemplate::WebBrowser, nullptr, "r", "web");
  Events();
  tabs_.SetCurrent(web);
  EXPECT_FALSE(tabs_.Close(owned));
  EXPECT_TRUE(tabs_.Close(web));
  EXPECT_FALSE(tabs_.Close(web));
  EXPECT_THAT(Events(), ElementsAre("closing web with browser"));
  EXPECT_FALSE(*factory_.alive[1]);
  EXPECT_TRUE(*factory_.alive[0]);
  EXPECT_EQ(tabs_.Current(), 0u);
}

TEST_F(ResultTabsTest, ClosingTheTabsOfARobotGoesFromTheLastToTheFirstAndLeavesOwnedOnes) {
  List("a1", nullptr, "a");
  List("b1", nullptr, "b");
  List("a2", &worker_, "a");
  List("a3", nullptr, "a");
  Events();
  tabs_.CloseAndFreeTabs("A");  // names compare exactly
  EXPECT_THAT(Events(), IsEmpty());
  tabs_.CloseAndFreeTabs("a");
  EXPECT_THAT(Events(), ElementsAre("closing a3", "closing a1"));
  ASSERT_EQ(tabs_.Tabs().size(), 2u);
  EXPECT_EQ(tabs_.Tabs()[0]->Caption, "b1");
  EXPECT_EQ(tabs_.Tabs()[1]->Caption, "a2");
}

TEST_F(ResultTabsTest, TheProgramsEndFreesEveryTabFromTheLastOwnedOrNot) {
  List("first", &worker_);
  tabs_.OpenResultTab(TTabTemplate::WebBrowser, &worker_, "r", "second");
  List("third");
  Events();
  tabs_.CloseAllFromLast();
  EXPECT_THAT(Events(), ElementsAre("closing third", "closing second with browser", "closing first"));
  EXPECT_THAT(tabs_.Tabs(), IsEmpty());
}

TEST_F(ResultTabsTest, ListenersOfClosingMayCloseTabsThemselves) {
  const TTabId first = List("first");
  const TTabId second = List("second");
  List("third");
  Events();
  int closings = 0;
  const base::TConnection connection = tabs_.Closing.Connect([&](const TTabSheet& tab) {
    ++closings;
    EXPECT_FALSE(tabs_.Close(tab.Id));  // already closing
    if (tab.Id == second) {
      EXPECT_TRUE(tabs_.Close(first));
    }
  });
  EXPECT_TRUE(tabs_.Close(second));
  EXPECT_THAT(Events(), ElementsAre("closing second", "closing first"));
  ASSERT_EQ(tabs_.Tabs().size(), 1u);
  EXPECT_EQ(tabs_.Tabs()[0]->Caption, "third");
  // At the program's end too, even when a listener asks for the end itself.
  const base::TConnection nested = tabs_.Closing.Connect([&](const TTabSheet&) { tabs_.CloseAllFromLast(); });
  tabs_.CloseAllFromLast();
  EXPECT_THAT(tabs_.Tabs(), IsEmpty());
  EXPECT_EQ(closings, 3);
}

}  // namespace
}  // namespace varnelo::base
