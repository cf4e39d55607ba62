#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>

#include "config/config_store.h"
#include "gui/base/elided_label.h"
#include "gui/forms/form_log.h"
#include "qt_wait.h"
#include "desktop_fixture.h"

namespace varnelo::test {
namespace {

TEST(DesktopTest, AWorkersHandOverCompletesWhileTheQtLoopRuns) {
  TDesktopFixture fixture;
  std::atomic<bool> handedOver{false};
  bool ranOnMainThread = false;
  std::thread worker([&] {
    fixture.desktop->MainQueue().Synchronize([&] { ranOnMainThread = fixture.desktop->MainQueue().IsMainThread(); });
    handedOver = true;
  });
  EXPECT_TRUE(WaitUntil([&] { return handedOver.load(); }));
  worker.join();
  EXPECT_TRUE(ranOnMainThread);
}

TEST(DesktopTest, ErrorsOfQueuedCallsAndOfSlotsReachTheErrorDialogAndTheProgramGoesOn) {
  TDesktopFixture fixture;
  fixture.desktop->MainQueue().Post([] { throw std::runtime_error("queued failure"); });
  QTimer::singleShot(0, [] { throw std::runtime_error("slot failure"); });
  bool after = false;
  fixture.desktop->MainQueue().Post([&] { after = true; });
  EXPECT_TRUE(WaitUntil([&] { return fixture.dialogs.errors.size() == 2 && after; }));
  ASSERT_EQ(fixture.dialogs.errors.size(), 2u);
  EXPECT_EQ(fixture.dialogs.errors[0], "ERROR: queued failure");
  EXPECT_EQ(fixture.dialogs.errors[1], "ERROR: slot failure");
}

TEST(DesktopTest, MenusHaveTheirCaptionsAndShortcuts) {
  TDesktopFixture fixture;
  fixture.desktop->Start();
  gui::TMainForm& window = fixture.desktop->MainWindow();
  EXPECT_EQ(window.windowTitle(), "Varnelo 1.61");
  QStringList menus;
  for (QAction* menu : window.menuBar()->actions()) menus << menu->text();
  EXPECT_EQ(menus, (QStringList{"Fichier", "Edition", "Action", "Navigateur", "Extras", "Aide"}));
  struct TItem {
    const char* name;
    const char* caption;
    const char* shortcut;
    bool enabled;
  };
  // The windows of the robot editor, the categories, the proxies and the mail stay disabled until they exist.
  const TItem items[] = {
      {"Quit", "Quitter", "Alt+F4", true},
      {"Cut", "Couper", "Ctrl+X", true},
      {"Copy", "Copier", "Ctrl+C", true},
      {"Paste", "Coller", "Ctrl+V", true},
      {"NewRobot", "Nouvelle action...", "", false},
      {"RobotPanel", "Configurer les Actions...", "", true},
      {"Categories", "Configurer les categories...", "", false},
      {"ProxyIE", "Définir les Proxy IE...", "", false},
      {"ProxyFirefox", "Définir les proxy Firefox", "", false},
      {"ShowLog", "Voir le fichier journal", "", true},
      {"BrowserFirefox", "Firefox", "", true},
      {"BrowserIE", "IE", "", true},
      {"EmailFriends", "Suggérer à un ami", "", false},
      {"Help", "Aide", "", true},
      {"Tips", "Trucs de recherche", "", true},
      {"About", "A propos", "", true},
  };
  for (const TItem& item : items) {
    SCOPED_TRACE(item.name);
    QAction* action = window.Action(item.name);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QString::fromUtf8(item.caption));
    EXPECT_EQ(action->shortcut(), QKeySequence(item.shortcut));
    EXPECT_EQ(action->isEnabled(), item.enabled);
  }
}

TEST(DesktopTest, TheBrowserMenuShowsAndStoresTheChoice) {
  struct TCase {
    const char* stored;
    bool firefoxChecked;
  };
  // Only exactly "firefox" is Firefox.
  for (const TCase& test : {TCase{"firefox", true}, TCase{"Firefox", false}, TCase{"ie", false}}) {
    SCOPED_TRACE(test.stored);
    TDesktopFixture fixture(std::string("[general]\r\nbrowser=") + test.stored + "\r\n[dictionary]\r\n");
    fixture.desktop->Start();
    gui::TMainForm& window = fixture.desktop->MainWindow();
    EXPECT_EQ(window.Action("BrowserFirefox")->isChecked(), test.firefoxChecked);
    EXPECT_EQ(window.Action("BrowserIE")->isChecked(), !test.firefoxChecked);
    window.Action(test.firefoxChecked ? "BrowserIE" : "BrowserFirefox")->trigger();
    EXPECT_EQ(config::TConfigStore(fixture.home.RobotConfigPath()).ReadString("general", "browser", ""),
              test.firefoxChecked ? "ie" : "firefox");
    EXPECT_EQ(window.Action("BrowserFirefox")->isChecked(), !test.firefoxChecked);
  }
}

TEST(DesktopTest, TheStatusBarShowsItsSevenPanelsAndFollowsTheRuns) {
  TDesktopFixture fixture;
  fixture.desktop->Start();
  gui::TMainForm& window = fixture.desktop->MainWindow();
  EXPECT_EQ(window.statusBar()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size() >= 7, true);
  auto* maker = window.findChild<QLabel*>("StatusMaker");
  ASSERT_NE(maker, nullptr);
  EXPECT_EQ(maker->text(), "Tembrik Software");
  EXPECT_FALSE(maker->isEnabled());
  auto* path = window.findChild<gui::TElidedLabel*>("StatusProgramPath");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->FullText(), QCoreApplication::applicationFilePath());

  auto* led = window.findChild<QLabel*>("StatusLed");
  const QImage idle = led->pixmap().toImage();
  window.SetRunning(true);
  EXPECT_NE(led->pixmap().toImage(), idle);
  window.SetRunning(false);
  EXPECT_EQ(led->pixmap().toImage(), idle);

  auto* bar = window.findChild<QProgressBar*>("StatusProgress");
  runner::TRunProgressTable& progress = fixture.desktop->Model().Runner().Progress();
  progress.BeginRun("list");
  progress.WorkerStarted("list");
  progress.SetList("list", 10, 0);
  progress.ItemsDone("list", 5);
  EXPECT_EQ(bar->maximum(), 1000);
  EXPECT_EQ(bar->value(), 500);
  // A run whose end is unknown makes the bar busy.
  progress.BeginRun("crawl");
  progress.WorkerStarted("crawl");
  EXPECT_EQ(bar->maximum(), 0);
  progress.WorkerEnded("crawl");
  EXPECT_EQ(bar->maximum(), 1000);
  progress.WorkerEnded("list");
  EXPECT_EQ(bar->value(), 0);
}

TEST(DesktopTest, TheLogWindowTakesThousandsOfLinesAndFindsText) {
  TDesktopFixture fixture;
  gui::TFormLog& log = fixture.desktop->MainWindow().FormLog();
  EXPECT_EQ(log.windowTitle(), "Journal: voir ce qui se passe");
  constexpr int kLines = 20000;
  for (int i = 0; i < kLines; ++i) log.AppendLine("ligne " + std::to_string(i) + " é");
  EXPECT_TRUE(WaitUntil([&] { return log.LogMemo()->blockCount() == kLines; }));
  EXPECT_EQ(log.LogMemo()->document()->findBlockByNumber(kLines - 1).text(), QString::fromUtf8("ligne 19999 é"));
  // From the end, the search goes round to the start.
  EXPECT_TRUE(log.Find("ligne 12345 ", false));
  EXPECT_EQ(log.LogMemo()->textCursor().block().blockNumber(), 12345);
  EXPECT_TRUE(log.Find("ligne 1234 ", true));
  EXPECT_EQ(log.LogMemo()->textCursor().block().blockNumber(), 1234);
  EXPECT_FALSE(log.Find("absent", false));
}

TEST(DesktopTest, ClosingAsksAndNoLeavesTheWindowOpen) {
  TDesktopFixture fixture;
  fixture.desktop->Start();
  gui::TMainForm& window = fixture.desktop->MainWindow();
  fixture.dialogs.answers.push_back(base::TDialogsPort::TAnswer::No);
  EXPECT_FALSE(window.close());
  ASSERT_EQ(fixture.dialogs.questions.size(), 1u);
  EXPECT_EQ(fixture.dialogs.questions[0].text, "Fermer le programme ?");
  EXPECT_EQ(fixture.dialogs.questions[0].caption, "Question");
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(fixture.desktop->Model().ShuttingDown());

  fixture.dialogs.answers.push_back(base::TDialogsPort::TAnswer::Yes);
  window.close();
  EXPECT_TRUE(fixture.desktop->Model().ShutdownComplete());
}

TEST(DesktopTest, TheWindowComesBackWithTheSizeAndPlaceItWasLeftWith) {
  const QRect left(40, 30, 812, 577);
  {
    TDesktopFixture fixture;
    fixture.desktop->Start();
    fixture.desktop->MainWindow().setGeometry(left);
    fixture.dialogs.answers.push_back(base::TDialogsPort::TAnswer::Yes);
    fixture.desktop->MainWindow().close();
    ASSERT_TRUE(fixture.desktop->Model().ShutdownComplete());
  }
  TDesktopFixture again;
  again.desktop->Start();
  EXPECT_EQ(again.desktop->MainWindow().geometry().size(), left.size());
  EXPECT_EQ(again.desktop->MainWindow().geometry().topLeft(), left.topLeft());
  // Not in the home: the window's place is the desktop's business.
  EXPECT_FALSE(ReadFile(again.home.RobotConfigPath()).find("geometry") != std::string::npos);
}

TEST(DesktopTest, TheEditMenuActsOnTheFocusedField) {
  TDesktopFixture fixture;
  gui::TMainForm& window = fixture.desktop->MainWindow();
  auto* from = new QLineEdit("mots cherchés");
  auto* to = new QLineEdit;
  auto* bar = new QWidget;
  auto* layout = new QHBoxLayout(bar);
  layout->addWidget(from);
  layout->addWidget(to);
  window.SetTopBar(bar);
  fixture.desktop->Start();
  window.activateWindow();
  from->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == from; }));
  from->selectAll();
  window.Action("Cut")->trigger();
  EXPECT_EQ(from->text(), "");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("mots cherchés"));
  to->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == to; }));
  window.Action("Paste")->trigger();
  EXPECT_EQ(to->text(), QString::fromUtf8("mots cherchés"));
}

TEST(DesktopTest, HelpAndTipsOpenPagesOfTheHome) {
  TDesktopFixture fixture;
  fixture.desktop->Start();
  gui::TMainForm& window = fixture.desktop->MainWindow();
  window.Action("Help")->trigger();
  window.Action("Tips")->trigger();
  ASSERT_EQ(fixture.shellOpen.opened.size(), 2u);
  EXPECT_EQ(fixture.shellOpen.opened[0], fixture.home.Path() / "help" / "index.html");
  EXPECT_EQ(fixture.shellOpen.opened[1], fixture.home.Path() / "help" / "trucs-de-recherche.html");
}

}  // namespace
}  // namespace varnelo::test
