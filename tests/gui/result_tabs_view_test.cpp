// The result tab container over the core's result tabs.
#include "gui/base/result_tabs_view.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include "gui/base/text.h"
#include "gui/forms/frm_see_result.h"
#include "qt_wait.h"
#include "support/recording_ports.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::gui {
namespace {

using base::TListRow;
using base::TTabTemplate;
using test::WaitUntil;

class ResultTabsViewTest : public ::testing::Test {
protected:
  ResultTabsViewTest()
      : profile_({scratch_.Path() / "cache", scratch_.Path() / "data"}, dialogs_),
        factory_(profile_),
        bar_(home_.Path(), tabs_, [](const std::string&, int, const std::string&) {}),
        view_(std::make_unique<TResultTabsView>(tabs_, bar_, dialogs_, profile_)) {
    view_->SetShowResult([this](const std::filesystem::path& page) { shown_.push_back(page); });
    view_->resize(900, 500);
  }

  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (int index = 0; index < view_->count(); ++index) captions.push_back(FromQ(view_->tabText(index)));
    return captions;
  }
  std::string Cell(base::TTabId id, int row, int column) const {
    const QAbstractItemModel* model = view_->List(id)->model();
    return FromQ(model->data(model->index(row, column)).toString());
  }
  void MakeCurrent(base::TTabId id) { view_->setCurrentWidget(view_->Page(id)); }
  QAction* MenuItem(const QString& text) const {
    for (QAction* action : view_->TabMenu()->actions()) {
      if (action->text() == text) return action;
    }
    return nullptr;
  }

  test::TTempDir scratch_;
  test::TTempHome home_;
  test::TRecordingDialogs dialogs_;
  TWebProfile profile_;
  TWebBrowserFactory factory_;
  base::TResultTabs tabs_;
  search::TQuickSearchBar bar_;
  std::unique_ptr<TResultTabsView> view_;
  std::vector<std::filesystem::path> shown_;
  const int worker_ = 0;
};

TEST_F(ResultTabsViewTest, ListTabsShowTheirTemplateColumnsAndRows) {
  struct TCase {
    TTabTemplate tabTemplate;
    std::vector<std::string> columns;
    std::vector<int> widths;
  };
  const std::vector<TCase> cases = {
      {TTabTemplate::ListView, {"URL", "Found Line"}, {}},
      {TTabTemplate::ListViewRSS, {"Title", "Link", "Description"}, {200, 200, 200}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(base::TemplateName(c.tabTemplate)));
    const base::TTabId id = tabs_.OpenResultTab(c.tabTemplate, nullptr, "Robot", "Onglet");
    QTreeView* list = view_->List(id);
    ASSERT_NE(list, nullptr);
    std::vector<std::string> columns;
    for (int column = 0; column < list->model()->columnCount(); ++column) {
      columns.push_back(FromQ(list->model()->headerData(column, Qt::Horizontal).toString()));
      if (!c.widths.empty()) {
        EXPECT_EQ(list->columnWidth(column), c.widths[static_cast<size_t>(column)]);
      }
    }
    EXPECT_EQ(columns, c.columns);

    ASSERT_TRUE(tabs_.AddRows(id, {{"http://a/", {"première", "x"}, {}}, {"http://b/", {}, {}}}));
    ASSERT_TRUE(tabs_.AddRow(id, {"http://c/", {"trois"}, {}}));
    ASSERT_EQ(list->model()->rowCount(), 3);
    EXPECT_EQ(Cell(id, 0, 0), "http://a/");
    EXPECT_EQ(Cell(id, 0, 1), "première");
    EXPECT_EQ(Cell(id, 1, 1), "");
    EXPECT_EQ(Cell(id, 2, 1), "trois");
  }
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Onglet", "Onglet"}));
}

TEST_F(ResultTabsViewTest, TabsFollowTheCoreAndTellTheCurrentOne) {
  const base::TTabId first = tabs_.OpenResultTab(TTabTemplate::ListView, nullptr, "R", "un");
  const base::TTabId second = tabs_.OpenResultTab(TTabTemplate::ListViewRSS, nullptr, "R", "deux");
  EXPECT_EQ(tabs_.Current(), first);
  MakeCurrent(second);
  EXPECT_EQ(tabs_.Current(), second);
  ASSERT_TRUE(tabs_.SetCaption(second, "deux bis"));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"un", "deux bis"}));

  ASSERT_TRUE(tabs_.Close(second));
  EXPECT_EQ(Captions(), std::vector<std::string>{"un"});
  EXPECT_EQ(view_->Page(second), nullptr);
  EXPECT_EQ(tabs_.Current(), first);
}

TEST_F(ResultTabsViewTest, CloseIsRefusedOnceWhileTheTabIsOwned) {
  const base::TTabId id = tabs_.OpenResultTab(TTabTemplate::ListView, &worker_, "R", "pris");
  MakeCurrent(id);
  QAction* close = MenuItem("Fermer");
  ASSERT_NE(close, nullptr);
  close->trigger();
  EXPECT_NE(tabs_.Find(id), nullptr);
  EXPECT_EQ(view_->count(), 1);
  EXPECT_EQ(dialogs_.messages, (std::vector<test::TRecordingDialogs::TShown>{
                                   {"Arrêtez le robot avant de fermer cet onglet", "Error",
                                    base::TDialogsPort::TIcon::Error}}));

  ASSERT_TRUE(tabs_.ReleaseOwner(id));
  close->trigger();
  EXPECT_EQ(tabs_.Find(id), nullptr);
  EXPECT_EQ(view_->count(), 0);
  EXPECT_EQ(dialogs_.messages.size(), 1u);
}

TEST_F(ResultTabsViewTest, CloseAllOfAResultClosesOnlyThatRobotsFreeTabs) {
  const base::TTabId owned = tabs_.OpenResultTab(TTabTemplate::ListView, &worker_, "A", "A pris");
  const base::TTabId freeA = tabs_.OpenResultTab(TTabTemplate::ListView, nullptr, "A", "A libre");
  tabs_.OpenResultTab(TTabTemplate::ListViewRSS, nullptr, "B", "B libre");
  tabs_.OpenResultTab(TTabTemplate::ListView, nullptr, "A", "A libre 2");
  MakeCurrent(freeA);
  QAction* closeAll = MenuItem("Fermer toutes les fenêtres de ce résultat de recherche");
  ASSERT_NE(closeAll, nullptr);
  closeAll->trigger();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"A pris", "B libre"}));
  EXPECT_NE(tabs_.Find(owned), nullptr);
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(ResultTabsViewTest, BrowserTabHostsItsBrowserUntilItCloses) {
  tabs_.SetBrowserFactory(&factory_);
  const base::TTabId id = tabs_.OpenResultTab(TTabTemplate::WebBrowser, nullptr, "R", "page");
  auto* browser = dynamic_cast<TWebBrowser*>(tabs_.Browser(id));
  ASSERT_NE(browser, nullptr);
  const QPointer<QWebEngineView> shown = browser->View();
  ASSERT_FALSE(shown.isNull());
  EXPECT_TRUE(view_->Page(id)->isAncestorOf(shown));
  const base::TTabId mozilla = tabs_.OpenMozillaTab(&worker_, "R", "moz");
  ASSERT_NE(mozilla, 0u);
  EXPECT_TRUE(view_->Page(mozilla)->isAncestorOf(dynamic_cast<TWebBrowser*>(tabs_.Browser(mozilla))->View()));

  ASSERT_TRUE(tabs_.Close(id));
  // The core freed the browser, which took its view along; the page went with the tab.
  EXPECT_TRUE(shown.isNull());
  EXPECT_EQ(Captions(), std::vector<std::string>{"moz"});
}

TEST_F(ResultTabsViewTest, ViewGoingFirstLeavesTheBrowsersWhole) {
  tabs_.SetBrowserFactory(&factory_);
  const base::TTabId id = tabs_.OpenResultTab(TTabTemplate::WebBrowser, nullptr, "R", "page");
  view_.reset();
  auto* browser = dynamic_cast<TWebBrowser*>(tabs_.Browser(id));
  ASSERT_NE(browser->View(), nullptr);
  ASSERT_TRUE(tabs_.Close(id));
}

TEST_F(ResultTabsViewTest, DoubleClickRunsTheRowActionOrOpensTheViewer) {
  const base::TTabId keywords = tabs_.OpenResultTab(TTabTemplate::ListView, nullptr, "K", "Web Site: x");
  tabs_.AddRows(keywords, {{"http://x/a", {"le mot"}, "/r/a.htm"}, {"http://x/b", {"rien"}, {}}});
  MakeCurrent(keywords);
  QTreeView* list = view_->List(keywords);
  Q_EMIT list->doubleClicked(list->model()->index(0, 1));
  EXPECT_EQ(shown_, std::vector<std::filesystem::path>{"/r/a.htm"});
  view_->RowDoubleClicked(keywords, 1);
  EXPECT_EQ(shown_.size(), 1u);

  const base::TTabId feeds = tabs_.OpenResultTab(TTabTemplate::ListViewRSS, nullptr, "F", "feeds");
  tabs_.AddRow(feeds, {"titre", {"http://lien/"}, "/r/unused.htm"});
  std::vector<std::string> activated;
  tabs_.SetRowActivation(feeds, [&](const TListRow& row) { activated.push_back(row.Caption); });
  view_->RowDoubleClicked(feeds, 0);
  EXPECT_EQ(activated, std::vector<std::string>{"titre"});
  EXPECT_EQ(shown_.size(), 1u);
}

TEST_F(ResultTabsViewTest, RowActionMayCloseItsOwnTab) {
  const base::TTabId id = tabs_.OpenResultTab(TTabTemplate::ListView, nullptr, "R", "x");
  tabs_.AddRow(id, {"http://a/", {"a"}, {}});
  tabs_.SetRowActivation(id, [&](const TListRow&) { tabs_.Close(id); });
  QTreeView* list = view_->List(id);
  Q_EMIT list->doubleClicked(list->model()->index(0, 0));
  EXPECT_EQ(view_->count(), 0);
  WaitUntil([] { return false; }, std::chrono::milliseconds(100));
}

TEST_F(ResultTabsViewTest, HundredThousandRowsKeepTheWindowResponsive) {
  const base::TTabId id = tabs_.OpenResultTab(TTabTemplate::ListView, nullptr, "R", "beaucoup");
  view_->show();
  int ticks = 0;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start();
  for (int batch = 0; batch < 100; ++batch) {
    std::vector<TListRow> rows;
    rows.reserve(1000);
    for (int row = 0; row < 1000; ++row) {
      const std::string number = std::to_string(batch * 1000 + row);
      rows.push_back({"http://site/" + number, {"ligne " + number}, {}});
    }
    ASSERT_TRUE(tabs_.AddRows(id, std::move(rows)));
    // As the main queue runs one hand-off at a time, the loop runs between batches.
    QCoreApplication::processEvents();
  }
  const int during = ticks;
  EXPECT_GT(during, 0);
  QTreeView* list = view_->List(id);
  ASSERT_EQ(list->model()->rowCount(), 100000);
  list->scrollToBottom();
  EXPECT_TRUE(WaitUntil([&] { return ticks > during; }));
  EXPECT_EQ(Cell(id, 99999, 0), "http://site/99999");
  EXPECT_EQ(Cell(id, 99999, 1), "ligne 99999");
}

TEST_F(ResultTabsViewTest, ViewerStepsThroughTheAnchorsOfItsPage) {
  const std::filesystem::path page = scratch_.Path() / "result page.htm";
  test::WriteFile(page, "<html><body><a name=\"found1\">un</a><a name=\"found2\">deux</a></body></html>");
  TFrmSeeResult viewer(page, profile_);
  EXPECT_EQ(viewer.windowTitle(), "Results");
  EXPECT_EQ(viewer.PreviousButton()->text(), "Previous");
  EXPECT_EQ(viewer.NextButton()->text(), "Next");
  const auto at = [&](const std::string& anchor) {
    return WaitUntil([&] { return viewer.Browser().LocationUrl().ends_with(anchor); });
  };
  EXPECT_TRUE(at("#found1"));
  viewer.NextButton()->click();
  EXPECT_EQ(viewer.Model().Match(), 2);
  EXPECT_TRUE(at("#found2"));
  viewer.PreviousButton()->click();
  viewer.PreviousButton()->click();
  EXPECT_TRUE(at("#found0"));
  EXPECT_NE(viewer.Browser().LocationUrl().find("result%20page.htm"), std::string::npos);
}

}  // namespace
}  // namespace varnelo::gui
