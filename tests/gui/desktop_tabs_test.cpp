// The desktop's result tabs: the core's tabs show in the main window, with real browsers.
#include <string>

#include <gtest/gtest.h>

#include <QTreeView>

#include "desktop_fixture.h"
#include "gui/base/result_tabs_view.h"
#include "gui/base/web_browser.h"
#include "qt_wait.h"
#include "support/loopback_server.h"

namespace varnelo::test {
namespace {

TEST(DesktopTabsTest, CoreTabsShowInTheMainWindowWithTheirBrowsers) {
  TDesktopFixture fixture;
  fixture.desktop->Start();
  base::TResultTabs& tabs = fixture.desktop->Model().Tabs();
  gui::TResultTabsView& view = fixture.desktop->TabsView();
  EXPECT_TRUE(fixture.desktop->MainWindow().isAncestorOf(&view));

  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Ok("<html><head></head><body>moteur</body></html>"));
  const int worker = 0;
  const base::TTabId mozilla = tabs.OpenMozillaTab(&worker, "Robot", "Moteur");
  ASSERT_NE(mozilla, 0u);
  const base::TTabId list = tabs.OpenResultTab(base::TTabTemplate::ListView, nullptr, "Robot", "Web Site: x");
  ASSERT_TRUE(tabs.AddRow(list, {"http://x/", {"ligne"}, {}}));
  bool finished = false;
  const base::TConnection connection = tabs.Browser(mozilla)->LoadFinished.Connect([&](bool) { finished = true; });
  ASSERT_TRUE(tabs.Navigate(mozilla, server.Url("/q")));
  ASSERT_TRUE(WaitUntil([&] { return finished; }));
  EXPECT_EQ(tabs.Browser(mozilla)->DocumentSource(), "<html><head></head><body>moteur</body></html>");

  EXPECT_EQ(view.count(), 2);
  EXPECT_EQ(view.List(list)->model()->rowCount(), 1);
  view.setCurrentWidget(view.Page(list));
  EXPECT_EQ(tabs.Current(), list);
  tabs.ReleaseOwner(mozilla);
  tabs.CloseAndFreeTabs("Robot");
  EXPECT_EQ(view.count(), 0);
}

}  // namespace
}  // namespace varnelo::test
