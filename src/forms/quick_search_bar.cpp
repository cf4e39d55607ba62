#include "forms/quick_search_bar.h"

#include "base/browser.h"
#include "config/config_keys.h"

namespace varnelo::search {

TQuickSearchBar::TQuickSearchBar(std::filesystem::path home, base::TResultTabs& tabs, TStartSearch startSearch)
    : home_(std::move(home)),
      tabs_(tabs),
      startSearch_(std::move(startSearch)),
      commandStates_(tabs_.CommandStateChanged.Connect(
          [this](base::TTabId tab, int command, bool enabled) { CommandStateChanged(tab, command, enabled); })) {}

void TQuickSearchBar::ChooseRobot(std::string caption) {
  chosenRobot_ = std::move(caption);
  Changed();
}

void TQuickSearchBar::Go(const std::string& words) {
  const config::TConfigStore store(home_ / config::kRobotConfigFile);
  const int count = config::Read(store, chosenRobot_, config::key::kNbSimul);
  if (startSearch_) startSearch_(chosenRobot_, count, words);
}

void TQuickSearchBar::CommandStateChanged(base::TTabId tab, int command, bool enabled) {
  if (tab != tabs_.Current()) return;
  base::TTabSheet* sheet = tabs_.Find(tab);
  if (sheet == nullptr) return;
  switch (command) {
    case base::kCommandForward:
      forwardEnabled_ = enabled;
      sheet->Desc.CanGoForward = enabled;
      break;
    case base::kCommandBack:
      backEnabled_ = enabled;
      sheet->Desc.CanGoBack = enabled;
      break;
    default:
      return;
  }
  Changed();
}

void TQuickSearchBar::CurrentTabChanged(base::TTabId tab) {
  tabs_.SetCurrent(tab);
  const base::TTabSheet* sheet = tabs_.Find(tab);
  const bool browserTab = sheet != nullptr && base::IsBrowserTab(sheet->Content.Template);
  backEnabled_ = browserTab && sheet->Desc.CanGoBack;
  forwardEnabled_ = browserTab && sheet->Desc.CanGoForward;
  Changed();
}

base::TBrowser* TQuickSearchBar::CurrentBrowser() {
  const base::TTabSheet* sheet = tabs_.Find(tabs_.Current());
  if (sheet == nullptr || !base::IsBrowserTab(sheet->Content.Template)) return nullptr;
  return sheet->Browser.get();
}

void TQuickSearchBar::Back() {
  if (base::TBrowser* browser = CurrentBrowser()) browser->GoBack();
}

void TQuickSearchBar::Forward() {
  if (base::TBrowser* browser = CurrentBrowser()) browser->GoForward();
}

}  // namespace varnelo::search
