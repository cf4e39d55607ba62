#include "gui/forms/quick_search_bar.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "base/browser.h"
#include "gui/base/text.h"
#include "support/history_browser.h"
#include "support/loopback_server.h"
#include "support/scripted_answer.h"
#include "desktop_fixture.h"
#include "qt_wait.h"

namespace varnelo::test {
namespace {

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kBlue = 0xff0000ff;

void WriteIcon(const std::filesystem::path& file, QRgb color) {
  std::filesystem::create_directories(file.parent_path());
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(color);
  ASSERT_TRUE(image.save(gui::PathToQ(file), "PNG"));
}

QRgb CentreOf(const QIcon& icon) { return icon.pixmap(16, 16).toImage().pixel(8, 8); }

template <class TWidget>
TWidget* Child(QWidget& parent, const char* name) {
  auto* widget = parent.findChild<TWidget*>(name);
  EXPECT_NE(widget, nullptr) << name;
  return widget;
}

// A home whose engine menu has two categories of Category.ini, their robots and icons.
class EngineMenuTest : public ::testing::Test {
protected:
  EngineMenuTest()
      : fixture_("[general]\r\n[dictionary]\r\n"
                 "[A]\r\nDataFrom=Search engine functionality\r\niconfile=a.png\r\n"
                 "[B]\r\nDataFrom=Search engine functionality\r\nCategory=News\r\n"
                 "[C]\r\nDataFrom=Search engine functionality\r\nCategory=Sport\r\n"
                 "[Site]\r\nDataFrom=Web site keyword search\r\nCategory=General\r\n"
                 "[R&D]\r\nDataFrom=Search engine functionality\r\niconfile=missing.png\r\n") {
    WriteFile(fixture_.home.Path() / "Category.ini", "[General]\r\niconfile=general.png\r\n[News]\r\n");
    WriteIcon(fixture_.home.Path() / "favicon" / "a.png", kRed);
    WriteIcon(fixture_.home.Path() / "favicon" / "general.png", kBlue);
    // News names no icon, and without the template's google.ico it falls back to the built-in image.
    std::filesystem::remove(fixture_.home.Path() / "favicon" / "google.ico");
    fixture_.desktop->Start();
  }

  gui::TQuickSearchBar& Bar() { return fixture_.desktop->QuickSearchBar(); }
  QMenu* Popup() { return Bar().EngineMenuButton()->menu(); }
  QMenu* Category(int index) { return Popup()->actions().at(index)->menu(); }

  TDesktopFixture fixture_;
};

TEST_F(EngineMenuTest, ListsTheCategoriesWithTheirSearchEngineRobotsAndIcons) {
  QStringList categories;
  for (QAction* action : Popup()->actions()) categories << action->text();
  ASSERT_EQ(categories, (QStringList{"General", "News"}));

  QStringList general;
  for (QAction* action : Category(0)->actions()) general << action->text();
  // "&&" is how a menu shows one "&" instead of taking it as a shortcut.
  EXPECT_EQ(general, (QStringList{"A", "R&&D"}));
  QStringList news;
  for (QAction* action : Category(1)->actions()) news << action->text();
  EXPECT_EQ(news, (QStringList{"B"}));

  const QRgb defaultIcon = CentreOf(QIcon(":/varnelo/default_icon.png"));
  ASSERT_NE(defaultIcon, kRed);
  ASSERT_NE(defaultIcon, kBlue);
  EXPECT_EQ(CentreOf(Popup()->actions().at(0)->icon()), kBlue);
  EXPECT_EQ(CentreOf(Popup()->actions().at(1)->icon()), defaultIcon);  // google.ico is not there
  EXPECT_EQ(CentreOf(Category(0)->actions().at(0)->icon()), kRed);
  EXPECT_EQ(CentreOf(Category(0)->actions().at(1)->icon()), defaultIcon);
}

TEST_F(EngineMenuTest, ChoosingAnEntrySetsTheButtonCaption) {
  EXPECT_EQ(Bar().EngineMenuButton()->text(), "Engins de recherches généraux");
  EXPECT_EQ(Bar().EngineMenuButton()->popupMode(), QToolButton::InstantPopup);
  Category(0)->actions().at(1)->trigger();
  EXPECT_EQ(fixture_.desktop->Model().QuickSearchBar().ChosenRobot(), "R&D");
  EXPECT_EQ(Bar().EngineMenuButton()->text(), "R&&D");
  Category(1)->actions().at(0)->trigger();
  EXPECT_EQ(Bar().EngineMenuButton()->text(), "B");
}

TEST_F(EngineMenuTest, FollowsTheMenuModelsChanges) {
  search::TQuickSearchMenu& menu = fixture_.desktop->Model().QuickSearchMenu();
  menu.RenameRobot("A", "Alpha");
  menu.RemoveRobot("B");
  menu.AddCategory("Sport", fixture_.home.Path() / "favicon" / "a.png");
  QStringList categories;
  for (QAction* action : Popup()->actions()) categories << action->text();
  ASSERT_EQ(categories, (QStringList{"General", "News", "Sport"}));
  EXPECT_EQ(Category(0)->actions().at(0)->text(), "Alpha");
  EXPECT_TRUE(Category(1)->actions().isEmpty());
  EXPECT_EQ(CentreOf(Popup()->actions().at(2)->icon()), kRed);
  // The menus of the old entries went with them.
  EXPECT_EQ(Popup()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), 3);
}

TEST(QuickSearchBarViewTest, TheSearchFieldHasTheFocusWhenTheWindowOpens) {
  TDesktopFixture fixture;
  fixture.desktop->Start();
  gui::TMainForm& window = fixture.desktop->MainWindow();
  QLineEdit* field = fixture.desktop->QuickSearchBar().EditSearchTerm();
  EXPECT_EQ(field->objectName(), "EditSearchTerm");
  EXPECT_EQ(field->placeholderText(), "Enter the search term");
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(QApplication::focusWidget(), field);
}

// The chosen robot's one engine is a loopback feed server, which records the words of every run.
TEST(QuickSearchBarViewTest, EnterInTheFieldStartsTheSameRunAsGo) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Ok("<rss><channel><item><title>t</title><link>l</link></item></channel></rss>",
                                          "Content-Type: text/xml\r\n"));
  TDesktopFixture fixture(
      "[general]\r\n[dictionary]\r\n[web]\r\nDataFrom=Search engine functionality\r\nSeeOnScreen=1\r\n");
  const auto engines = fixture.home.Path() / "Robot Definitions" / "web";
  std::filesystem::create_directories(engines);
  WriteFile(engines / "e.def", "[Properties]\r\ngetquery=" + server.Url("/?q=$_") + "\r\nrss=1\r\n");
  fixture.desktop->Start();
  fixture.desktop->Model().QuickSearchBar().ChooseRobot("web");
  gui::TQuickSearchBar& bar = fixture.desktop->QuickSearchBar();
  runner::TRobotRunner& runner = fixture.desktop->Model().Runner();
  const base::TResultTabs& tabs = fixture.desktop->Model().Tabs();
  const auto targets = [&] {
    std::vector<std::string> seen;
    for (const TRecordedRequest& request : server.Requests()) seen.push_back(request.Target());
    return seen;
  };
  const auto rssTabs = [&] {
    return std::count_if(tabs.Tabs().begin(), tabs.Tabs().end(), [](const auto& tab) {
      return tab->Content.Template == base::TTabTemplate::ListViewRSS && tab->Desc.RobotName == "web";
    });
  };

  QTest::keyClicks(bar.EditSearchTerm(), "a b");
  QTest::keyClick(bar.EditSearchTerm(), Qt::Key_Return);
  ASSERT_TRUE(WaitUntil([&] { return runner.RunningWorkerCount() == 0 && !targets().empty(); }));
  EXPECT_EQ(targets(), (std::vector<std::string>{"/?q=a%20b"}));
  EXPECT_EQ(rssTabs(), 1);
  EXPECT_EQ(bar.EditSearchTerm()->text(), "a b");  // Enter added nothing to the words

  QTest::mouseClick(Child<QPushButton>(bar, "ButtonGO"), Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return runner.RunningWorkerCount() == 0 && targets().size() == 2; }));
  EXPECT_EQ(targets(), (std::vector<std::string>{"/?q=a%20b", "/?q=a%20b"}));
  EXPECT_EQ(rssTabs(), 2);
  EXPECT_EQ(Child<QPushButton>(bar, "ButtonGO")->text(), "GO");
}


TEST(QuickSearchBarViewTest, BackAndForwardFollowTheCurrentTabsBrowser) {
  TDesktopFixture fixture;
  fixture.desktop->Start();
  THistoryBrowserFactory browsers;
  base::TResultTabs& tabs = fixture.desktop->Model().Tabs();
  tabs.SetBrowserFactory(&browsers);
  search::TQuickSearchBar& model = fixture.desktop->Model().QuickSearchBar();
  gui::TQuickSearchBar& bar = fixture.desktop->QuickSearchBar();
  QToolButton* back = Child<QToolButton>(bar, "BackButton");
  QToolButton* forward = Child<QToolButton>(bar, "ForwardButton");
  EXPECT_FALSE(back->isEnabled());
  EXPECT_FALSE(forward->isEnabled());

  const base::TTabId web = tabs.OpenResultTab(base::TTabTemplate::WebBrowser, nullptr, "r", "w");
  const base::TTabId list = tabs.OpenResultTab(base::TTabTemplate::ListViewRSS, nullptr, "r", "l");
  tabs.SetCurrent(web);
  model.CurrentTabChanged(web);
  THistoryBrowser& browser = *browsers.made.back();
  browser.Report(base::kCommandBack, true);
  EXPECT_TRUE(back->isEnabled());
  EXPECT_FALSE(forward->isEnabled());
  QTest::mouseClick(back, Qt::LeftButton);
  QTest::mouseClick(forward, Qt::LeftButton);  // disabled: no move
  EXPECT_EQ(browser.backs, 1);
  EXPECT_EQ(browser.forwards, 0);

  tabs.SetCurrent(list);
  model.CurrentTabChanged(list);
  EXPECT_FALSE(back->isEnabled());
  tabs.SetCurrent(web);
  model.CurrentTabChanged(web);
  EXPECT_TRUE(back->isEnabled());
  browser.Report(base::kCommandForward, true);
  EXPECT_TRUE(forward->isEnabled());
  QTest::mouseClick(forward, Qt::LeftButton);
  EXPECT_EQ(browser.forwards, 1);
}

}  // namespace
}  // namespace varnelo::test
