#include "gui/desktop.h"

#include <QLineEdit>

namespace varnelo::gui {

TDesktop::TDesktop(const std::filesystem::path& home, TApplication& application, TDesktopPorts ports)
    : application_(application),
      dialogs_(ports.dialogs != nullptr ? *ports.dialogs : qtDialogs_),
      shellOpen_(ports.shellOpen != nullptr ? *ports.shellOpen : qtShellOpen_),
      pump_(queue_),
      webProfile_(TWebStorage::UserFolders(), dialogs_),
      browserFactory_(webProfile_),
      mainWindow_(std::make_unique<TMainForm>(home, queue_, TMainFormServices{dialogs_, shellOpen_})),
      tabsView_(new TResultTabsView(Model().Tabs(), Model().QuickSearchBar(), dialogs_, webProfile_)) {
  Model().Tabs().SetBrowserFactory(&browserFactory_);
  mainWindow_->SetTabContainer(tabsView_);
  qtDialogs_.SetMainWindow(mainWindow_.get());
  const auto showError = [this](const std::exception& error) { Model().ShowException(error); };
  queue_.SetErrorHandler(showError);
  application_.SetErrorHandler(showError);

  quickSearchBar_ = new TQuickSearchBar(Model().QuickSearchBar(), Model().QuickSearchMenu(), mainWindow_.get());
  mainWindow_->SetTopBar(quickSearchBar_);
  robotPanel_ = new TFrmDockArrowButton(Model().Panel(), Model().RobotList(), Model().Runner(), mainWindow_.get());
  QObject::connect(mainWindow_.get(), &TMainForm::RobotPanelRequested, robotPanel_, [this] { Model().Panel().Show(); });
}

TDesktop::~TDesktop() {
  // The views go before the window's core, whose parts they show (Qt would delete them after it).
  delete robotPanel_;
  delete quickSearchBar_;
  application_.SetErrorHandler(nullptr);
  queue_.SetErrorHandler(nullptr);
}

void TDesktop::Start(bool newHome) {
  mainWindow_->Create();
  if (newHome) Model().ChooseFirstSearchRobot();
  mainWindow_->show();
  // A user types the words and presses Enter at once.
  quickSearchBar_->EditSearchTerm()->setFocus();
}

}  // namespace varnelo::gui
