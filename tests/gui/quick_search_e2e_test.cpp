// A search from the window, as a user makes it: words typed into the bar, Enter, and the tabs that the
// chosen robot's engines fill (a feed that takes its time, and a web page).
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeView>

#include "desktop_fixture.h"
#include "qt_wait.h"
#include "support/loopback_server.h"
#include "support/scripted_answer.h"

namespace varnelo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kFeed =
    "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>f</title>"
    "<item><title>Premier</title><link>http://127.0.0.1/1</link><description>un</description></item>"
    "<item><title>Second</title><link>http://127.0.0.1/2</link><description>deux</description></item>"
    "</channel></rss>";
constexpr const char* kPage = "<html><head><title>Réponse</title></head><body><p>trouvé</p></body></html>";

const base::TTabSheet* TabCaptioned(const base::TResultTabs& tabs, const std::string& caption) {
  for (const auto& tab : tabs.Tabs()) {
    if (tab->Caption == caption) return tab.get();
  }
  return nullptr;
}

TEST(QuickSearchE2eTest, EnterFillsAFeedTabAndABrowserTabAndTheirTabsCloseOnceTheRobotEnds) {
  TLoopbackServer server;
  std::atomic<bool> release{false};
  // The feed comes when the test says, so its worker is still at work while the tab menu is tried.
  server.Answer("/feed.xml", TScriptedAnswer()
                                 .WaitUntil([&release] { return release.load(); }, 30s)
                                 .Send(std::string("HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\n"
                                                   "Content-Length: ") +
                                       std::to_string(std::string(kFeed).size()) + "\r\n\r\n" + kFeed));
  server.AnswerOthers(TScriptedAnswer::Ok(kPage, "Content-Type: text/html; charset=utf-8\r\n"));

  TDesktopFixture fixture(
      "[general]\r\nbrowser=ie\r\n[dictionary]\r\n[Recherche]\r\nDataFrom=Search engine functionality\r\n"
      "robotno=0\r\nnbsimul=2\r\nCategory=General\r\nSeeOnScreen=1\r\n");
  const fs::path engines = fixture.home.Path() / "Robot Definitions" / "Recherche";
  fs::create_directories(engines);
  WriteFile(engines / "Flux", "[Properties]\r\ngetquery=" + server.Url("/feed.xml") + "\r\nrss=1\r\n");
  WriteFile(engines / "Page.web", "[Properties]\r\ngetquery=" + server.Url("/search?q=$_") + "\r\nrss=0\r\n");
  fixture.desktop->Start();
  gui::TDesktop& desktop = *fixture.desktop;
  desktop.Model().QuickSearchBar().ChooseRobot("Recherche");

  QLineEdit* field = desktop.QuickSearchBar().EditSearchTerm();
  QTest::keyClicks(field, "deux mots");
  QTest::keyClick(field, Qt::Key_Return);

  const base::TResultTabs& tabs = desktop.Model().Tabs();
  ASSERT_TRUE(WaitUntil([&] {
    const base::TTabSheet* page = TabCaptioned(tabs, "Page");
    return TabCaptioned(tabs, "Flux") != nullptr && page != nullptr && page->Browser != nullptr &&
           page->Browser->DocumentSource().find("trouvé") != std::string::npos;
  }));

  // The feed's worker still waits for its answer: its tab cannot be closed.
  gui::TResultTabsView& view = desktop.TabsView();
  const base::TTabSheet* feed = TabCaptioned(tabs, "Flux");
  ASSERT_NE(feed->Desc.Owner, nullptr);
  for (int i = 0; i < view.count(); ++i) {
    if (view.TabAt(i) == feed->Id) view.setCurrentIndex(i);
  }
  view.CloseCurrent();
  ASSERT_EQ(fixture.dialogs.messages.size(), 1u);
  EXPECT_EQ(fixture.dialogs.messages[0].text, "Arrêtez le robot avant de fermer cet onglet");
  EXPECT_EQ(fixture.dialogs.messages[0].caption, "Error");
  EXPECT_EQ(view.count(), 2);

  release = true;
  ASSERT_TRUE(WaitUntil([&] { return desktop.Model().Runner().RunningWorkerCount() == 0; }));
  ASSERT_EQ(feed->Content.Rows.size(), 2u);
  EXPECT_EQ(feed->Content.Rows[1].Caption, "Second");
  EXPECT_EQ(view.List(feed->Id)->model()->rowCount(), 2);
  bool askedWithTheWords = false;
  for (const TRecordedRequest& request : server.Requests()) {
    if (request.Target() == "/search?q=deux%20mots") askedWithTheWords = true;
  }
  EXPECT_TRUE(askedWithTheWords);

  // Every tab of the robot goes at once now that no worker holds one.
  view.CloseCurrentRobotTabs();
  EXPECT_EQ(view.count(), 0);
  EXPECT_TRUE(tabs.Tabs().empty());
  EXPECT_EQ(fixture.dialogs.messages.size(), 1u);
}

}  // namespace
}  // namespace varnelo::test
