#include "forms/quick_search_bar.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "support/history_browser.h"
#include "support/temp_home.h"

namespace varnelo::search {
namespace {

using base::TTabId;
using base::TTabTemplate;


struct TStarted {
  std::string robot;
  int count = 0;
  std::string words;
  bool operator==(const TStarted&) const = default;
};

class QuickSearchBarTest : public ::testing::Test {
protected:
  QuickSearchBarTest()
      : home_("[general]\r\n[dictionary]\r\n"
              "[moteur]\r\nDataFrom=Search engine functionality\r\nnbsimul=3\r\n"
              "[simple]\r\nDataFrom=Search engine functionality\r\n"),
        bar_(home_.Path(), tabs_, [this](const std::string& robot, int count, const std::string& words) {
          started_.push_back({robot, count, words});
        }) {
    tabs_.SetBrowserFactory(&factory_);
  }

  // A browser tab, whose browser reports to the bar through the tabs.
  base::TTabId OpenBrowserTab(base::TTabTemplate tabTemplate) {
    const base::TTabId id = tabTemplate == base::TTabTemplate::MozillaBrowser
                          ? tabs_.OpenMozillaTab(nullptr, "moteur", "m")
                          : tabs_.OpenResultTab(tabTemplate, nullptr, "moteur", "w");
    browsers_[id] = factory_.made.back();
    return id;
  }
  void ExpectButtons(bool back, bool forward) const {
    EXPECT_EQ(bar_.BackEnabled(), back);
    EXPECT_EQ(bar_.ForwardEnabled(), forward);
  }
  const base::TTabSheetDesc& Desc(base::TTabId id) const { return tabs_.Find(id)->Desc; }

  test::TTempHome home_;
  test::THistoryBrowserFactory factory_;
  base::TResultTabs tabs_;
  std::vector<TStarted> started_;
  TQuickSearchBar bar_;
  std::map<base::TTabId, test::THistoryBrowser*> browsers_;
};

TEST_F(QuickSearchBarTest, GoStartsARunOfTheChosenRobotWithItsWorkerCount) {
  EXPECT_EQ(bar_.ChosenRobot(), "Engins de recherches généraux");
  bar_.Go("sans choix");
  bar_.ChooseRobot("moteur");
  bar_.Go("  deux mots \"é\" ");
  bar_.Go("  deux mots \"é\" ");  // a second GO overlaps the first
  bar_.ChooseRobot("simple");
  bar_.Go("");
  EXPECT_EQ(started_, (std::vector<TStarted>{{"Engins de recherches généraux", 1, "sans choix"},
                                             {"moteur", 3, "  deux mots \"é\" "},
                                             {"moteur", 3, "  deux mots \"é\" "},
                                             {"simple", 1, ""}}));
}

TEST_F(QuickSearchBarTest, OnlyTheCurrentTabsBrowserMovesTheButtons) {
  const base::TTabId current = OpenBrowserTab(base::TTabTemplate::WebBrowser);
  const base::TTabId other = OpenBrowserTab(base::TTabTemplate::MozillaBrowser);
  int changes = 0;
  const base::TConnection counting = bar_.Changed.Connect([&] { ++changes; });
  bar_.CurrentTabChanged(current);
  ExpectButtons(false, false);

  browsers_[other]->Report(base::kCommandForward, true);
  browsers_[other]->Report(base::kCommandBack, true);
  ExpectButtons(false, false);
  EXPECT_FALSE(Desc(other).CanGoForward);
  EXPECT_FALSE(Desc(other).CanGoBack);

  browsers_[current]->Report(base::kCommandForward, true);
  ExpectButtons(false, true);
  browsers_[current]->Report(base::kCommandBack, true);
  ExpectButtons(true, true);
  browsers_[current]->Report(3, false);  // not a history command
  ExpectButtons(true, true);
  browsers_[current]->Report(base::kCommandForward, false);
  ExpectButtons(true, false);
  EXPECT_TRUE(Desc(current).CanGoBack);
  EXPECT_FALSE(Desc(current).CanGoForward);
  EXPECT_EQ(changes, 4);
}

TEST_F(QuickSearchBarTest, SwitchingTabsShowsWhatEachBrowserLastReported) {
  const base::TTabId web = OpenBrowserTab(base::TTabTemplate::WebBrowser);
  const base::TTabId mozilla = OpenBrowserTab(base::TTabTemplate::MozillaBrowser);
  const base::TTabId rss = tabs_.OpenResultTab(base::TTabTemplate::ListViewRSS, nullptr, "moteur", "rss");
  const base::TTabId list = tabs_.OpenResultTab(base::TTabTemplate::ListView, nullptr, "site", "list");
  bar_.CurrentTabChanged(web);
  browsers_[web]->Report(base::kCommandBack, true);
  bar_.CurrentTabChanged(mozilla);
  browsers_[mozilla]->Report(base::kCommandForward, true);

  struct TStep {
    base::TTabId tab;
    bool back;
    bool forward;
  };
  for (const TStep& step : {TStep{rss, false, false}, TStep{web, true, false}, TStep{list, false, false},
                            TStep{mozilla, false, true}, TStep{0, false, false}, TStep{web, true, false}}) {
    SCOPED_TRACE(step.tab);
    bar_.CurrentTabChanged(step.tab);
    EXPECT_EQ(tabs_.Current(), step.tab);
    ExpectButtons(step.back, step.forward);
  }
}

TEST_F(QuickSearchBarTest, BackAndForwardMoveOnlyTheCurrentTabsBrowser) {
  const base::TTabId web = OpenBrowserTab(base::TTabTemplate::WebBrowser);
  const base::TTabId mozilla = OpenBrowserTab(base::TTabTemplate::MozillaBrowser);
  const base::TTabId rss = tabs_.OpenResultTab(base::TTabTemplate::ListViewRSS, nullptr, "moteur", "rss");
  bar_.Back();  // no current tab
  bar_.CurrentTabChanged(mozilla);
  bar_.Back();
  bar_.Forward();
  bar_.Forward();
  bar_.CurrentTabChanged(rss);
  bar_.Back();
  bar_.Forward();
  EXPECT_EQ(browsers_[mozilla]->backs, 1);
  EXPECT_EQ(browsers_[mozilla]->forwards, 2);
  EXPECT_EQ(browsers_[web]->backs, 0);
  EXPECT_EQ(browsers_[web]->forwards, 0);
}

TEST(QuickSearchBarLifetimeTest, ReportsAfterTheBarIsGoneReachNoOne) {
  test::TTempHome home;
  test::THistoryBrowserFactory factory;
  base::TResultTabs tabs;
  tabs.SetBrowserFactory(&factory);
  const base::TTabId id = tabs.OpenResultTab(base::TTabTemplate::WebBrowser, nullptr, "moteur", "w");
  tabs.SetCurrent(id);
  {
    TQuickSearchBar bar(home.Path(), tabs, nullptr);
    factory.made.back()->Report(base::kCommandBack, true);
    EXPECT_TRUE(bar.BackEnabled());
  }
  factory.made.back()->Report(base::kCommandForward, true);
  EXPECT_FALSE(tabs.Find(id)->Desc.CanGoForward);
}

}  // namespace
}  // namespace varnelo::search
