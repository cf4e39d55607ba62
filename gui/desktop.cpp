#include "gui/desktop.h"

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
}

TDesktop::~TDesktop() {
  application_.SetErrorHandler(nullptr);
  queue_.SetErrorHandler(nullptr);
}

void TDesktop::Start() {
  mainWindow_->Create();
  mainWindow_->show();
}

}  // namespace varnelo::gui
