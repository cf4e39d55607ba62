#pragma once

#include <filesystem>
#include <memory>

#include "base/dialogs_port.h"
#include "base/main_queue.h"
#include "base/shell_open_port.h"
#include "gui/app/application.h"
#include "gui/base/dialogs.h"
#include "gui/base/queue_pump.h"
#include "gui/base/result_tabs_view.h"
#include "gui/base/shell_open.h"
#include "gui/forms/frm_dock_arrow_button.h"
#include "gui/base/web_browser.h"
#include "gui/forms/main_form.h"
#include "gui/forms/quick_search_bar.h"

namespace varnelo::gui {

// Where the desktop's dialogs and shell-open go; none means Qt's own (the tests record them instead).
struct TDesktopPorts {
  base::TDialogsPort* dialogs = nullptr;
  base::TShellOpenPort* shellOpen = nullptr;
};

// The whole window program on one home: the core's main queue run from Qt's loop, the ports, the main
// window and the views inside it, and the application-wide error dialog.
class TDesktop {
public:
  TDesktop(const std::filesystem::path& home, TApplication& application, TDesktopPorts ports = {});
  ~TDesktop();
  TDesktop(const TDesktop&) = delete;
  TDesktop& operator=(const TDesktop&) = delete;

  // The core's start-up, then the window shows; on a home made just now, the bar offers its ready robot.
  void Start(bool newHome = false);

  base::TMainQueue& MainQueue() { return queue_; }
  TMainForm& MainWindow() { return *mainWindow_; }
  shell::TMainForm& Model() { return mainWindow_->Model(); }
  TQuickSearchBar& QuickSearchBar() { return *quickSearchBar_; }
  TFrmDockArrowButton& RobotPanel() { return *robotPanel_; }
  TResultTabsView& TabsView() { return *tabsView_; }
  TWebProfile& WebProfile() { return webProfile_; }

private:
  TApplication& application_;
  base::TMainQueue queue_;
  TDialogs qtDialogs_;
  TShellOpen qtShellOpen_;
  base::TDialogsPort& dialogs_;
  base::TShellOpenPort& shellOpen_;
  TQueuePump pump_;
  // Before the window: the tabs' browsers and their pages go before the profile they use.
  TWebProfile webProfile_;
  TWebBrowserFactory browserFactory_;
  std::unique_ptr<TMainForm> mainWindow_;
  // Both are children of the main window, which deletes them.
  TQuickSearchBar* quickSearchBar_ = nullptr;
  TFrmDockArrowButton* robotPanel_ = nullptr;
  TResultTabsView* tabsView_;
};

}  // namespace varnelo::gui
