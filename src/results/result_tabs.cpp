#include "results/result_tabs.h"

#include <algorithm>
#include <utility>

namespace varnelo::results {

std::string_view TemplateName(TTabTemplate tabTemplate) {
  switch (tabTemplate) {
    case TTabTemplate::ListView: return "MyTabsheetListView";
    case TTabTemplate::ListViewRSS: return "MyTabsheetListViewRSS";
    case TTabTemplate::WebBrowser: return "MyTabsheetWebBrowser";
    case TTabTemplate::MozillaBrowser: return "Mozilla";
  }
  return {};
}

std::vector<std::string_view> TemplateColumns(TTabTemplate tabTemplate) {
  switch (tabTemplate) {
    case TTabTemplate::ListView: return {"URL", "Found Line"};
    case TTabTemplate::ListViewRSS: return {"Title", "Link", "Description"};
    case TTabTemplate::WebBrowser:
    case TTabTemplate::MozillaBrowser: return {};
  }
  return {};
}

TTabId TResultTabs::OpenResultTab(TTabTemplate tabTemplate, const void* owner, std::string robotName,
                                  std::string caption) {
  std::unique_ptr<TBrowser> browser;
  if (tabTemplate == TTabTemplate::WebBrowser && browserFactory_ != nullptr) {
    browser = browserFactory_->CreateBrowser(TBrowserKind::Explorer);
  }
  return AddTab(tabTemplate, owner, std::move(robotName), std::move(caption), std::move(browser));
}

TTabId TResultTabs::OpenMozillaTab(const void* owner, std::string robotName, std::string caption) {
  if (browserFactory_ == nullptr) return 0;
  std::unique_ptr<TBrowser> browser = browserFactory_->CreateBrowser(TBrowserKind::Mozilla);
  if (browser == nullptr) return 0;
  return AddTab(TTabTemplate::MozillaBrowser, owner, std::move(robotName), std::move(caption), std::move(browser));
}

TTabId TResultTabs::AddTab(TTabTemplate tabTemplate, const void* owner, std::string robotName, std::string caption,
                           std::unique_ptr<TBrowser> browser) {
  auto tab = std::make_unique<TTabSheet>();
  tab->Id = nextId_++;
  tab->Caption = std::move(caption);
  tab->Content.Template = tabTemplate;
  tab->Desc.Owner = owner;
  tab->Desc.RobotName = std::move(robotName);
  tab->Desc.Content = &tab->Content;
  tab->Browser = std::move(browser);
  tabs_.push_back(std::move(tab));
  if (view_ != nullptr) view_->TabOpened(*tabs_.back());
  return tabs_.back()->Id;
}

TBrowser* TResultTabs::Browser(TTabId id) {
  TTabSheet* tab = Find(id);
  return tab == nullptr ? nullptr : tab->Browser.get();
}

bool TResultTabs::AddRow(TTabId id, TListRow row) {
  TTabSheet* tab = Find(id);
  if (tab == nullptr || IsBrowserTab(tab->Content.Template)) return false;
  tab->Content.Rows.push_back(std::move(row));
  if (view_ != nullptr) view_->RowAdded(*tab, tab->Content.Rows.back());
  return true;
}

void TResultTabs::SetRowActivation(TTabId id, std::function<void(const TListRow&)> action) {
  if (TTabSheet* tab = Find(id)) tab->RowActivation = std::move(action);
}

bool TResultTabs::ActivateRow(TTabId id, size_t index) {
  const TTabSheet* tab = Find(id);
  if (tab == nullptr || !tab->RowActivation || index >= tab->Content.Rows.size()) return false;
  // Copies, so that an action that closes the tab does not pull them from under itself.
  const auto action = tab->RowActivation;
  const TListRow row = tab->Content.Rows[index];
  action(row);
  return true;
}

bool TResultTabs::Navigate(TTabId id, std::string url) {
  TTabSheet* tab = Find(id);
  if (tab == nullptr || !IsBrowserTab(tab->Content.Template)) return false;
  tab->Content.Url = std::move(url);
  tab->Content.PostData.clear();
  tab->Content.PostHeaders.clear();
  if (tab->Browser != nullptr) tab->Browser->Navigate(tab->Content.Url);
  Navigated(*tab);
  return true;
}

bool TResultTabs::NavigateWithPost(TTabId id, std::string url, std::string postData, std::string headers) {
  TTabSheet* tab = Find(id);
  if (tab == nullptr || !IsBrowserTab(tab->Content.Template)) return false;
  tab->Content.Url = std::move(url);
  tab->Content.PostData = std::move(postData);
  tab->Content.PostHeaders = std::move(headers);
  if (tab->Browser != nullptr) {
    tab->Browser->NavigateWithPost(tab->Content.Url, tab->Content.PostData, tab->Content.PostHeaders);
  }
  Navigated(*tab);
  return true;
}

void TResultTabs::Navigated(TTabSheet& tab) {
  if (view_ != nullptr) view_->Navigated(tab);
}

void TResultTabs::SetCommandStateHandler(std::function<void(TTabId, int, bool)> handler) {
  commandStateHandler_ = std::move(handler);
}

void TResultTabs::ConnectCommandState(TTabId id) {
  TBrowser* browser = Browser(id);
  if (browser == nullptr) return;
  browser->OnCommandStateChange = [this, id](int command, bool enabled) {
    if (commandStateHandler_) commandStateHandler_(id, command, enabled);
  };
}

void TResultTabs::PossibleToCloseTabsheet(const void* owner) {
  const auto found = std::find_if(tabs_.begin(), tabs_.end(),
                                  [owner](const auto& tab) { return tab->Desc.Owner == owner; });
  if (found != tabs_.end()) (*found)->Desc.Owner = nullptr;
}

bool TResultTabs::Close(TTabId id) {
  const auto found = std::find_if(tabs_.begin(), tabs_.end(), [id](const auto& tab) { return tab->Id == id; });
  if (found == tabs_.end() || (*found)->Desc.Owner != nullptr) return false;
  tabs_.erase(found);
  if (current_ == id) current_ = 0;
  if (view_ != nullptr) view_->TabClosed(id);
  return true;
}

void TResultTabs::CloseAndFreeTabs(std::string_view robotName) {
  std::vector<TTabId> closing;
  for (const auto& tab : tabs_) {
    if (tab->Desc.RobotName == robotName && tab->Desc.Owner == nullptr) closing.push_back(tab->Id);
  }
  for (const TTabId id : closing) Close(id);
}

void TResultTabs::CloseAllFromLast() {
  while (!tabs_.empty()) {
    TTabSheet& last = *tabs_.back();
    last.Desc.Owner = nullptr;
    Close(last.Id);
  }
}

const TTabSheet* TResultTabs::Find(TTabId id) const {
  const auto found = std::find_if(tabs_.begin(), tabs_.end(), [id](const auto& tab) { return tab->Id == id; });
  return found == tabs_.end() ? nullptr : found->get();
}

TTabSheet* TResultTabs::Find(TTabId id) {
  return const_cast<TTabSheet*>(std::as_const(*this).Find(id));
}

}  // namespace varnelo::results
