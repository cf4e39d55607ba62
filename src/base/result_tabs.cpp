#include "base/result_tabs.h"

#include <algorithm>
#include <utility>

namespace varnelo::base {

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
  const TTabId id = nextId_++;
  tab->Id = id;
  tab->Caption = std::move(caption);
  tab->Content.Template = tabTemplate;
  tab->Desc.Owner = owner;
  tab->Desc.RobotName = std::move(robotName);
  tab->Desc.Content = &tab->Content;
  tab->Browser = std::move(browser);
  if (tab->Browser != nullptr) {
    tab->BrowserConnections += tab->Browser->CommandStateChanged.Connect(
        [this, id](int command, bool enabled) { CommandStateChanged(id, command, enabled); });
  }
  tabs_.push_back(std::move(tab));
  TabOpened(*tabs_.back());
  return id;
}

TBrowser* TResultTabs::Browser(TTabId id) {
  TTabSheet* tab = Find(id);
  return tab == nullptr ? nullptr : tab->Browser.get();
}

bool TResultTabs::AddRows(TTabId id, std::vector<TListRow> rows) {
  TTabSheet* tab = Find(id);
  if (tab == nullptr || IsBrowserTab(tab->Content.Template)) return false;
  if (rows.empty()) return true;
  std::vector<TListRow>& list = tab->Content.Rows;
  const size_t first = list.size();
  list.insert(list.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
  RowsAdded(*tab, first, rows.size());
  return true;
}

bool TResultTabs::AddRow(TTabId id, TListRow row) {
  std::vector<TListRow> rows;
  rows.push_back(std::move(row));
  return AddRows(id, std::move(rows));
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
  RaiseNavigated(id);
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
  RaiseNavigated(id);
  return true;
}

void TResultTabs::RaiseNavigated(TTabId id) {
  if (const TTabSheet* tab = Find(id)) Navigated(*tab);
}

bool TResultTabs::SetCaption(TTabId id, std::string caption) {
  TTabSheet* tab = Find(id);
  if (tab == nullptr) return false;
  if (tab->Caption == caption) return true;
  tab->Caption = std::move(caption);
  CaptionChanged(*tab);
  return true;
}

void TResultTabs::PossibleToCloseTabsheet(const void* owner) {
  const auto found = std::find_if(tabs_.begin(), tabs_.end(),
                                  [owner](const auto& tab) { return tab->Desc.Owner == owner; });
  if (found != tabs_.end()) ReleaseOwner((*found)->Id);
}

bool TResultTabs::ReleaseOwner(TTabId id) {
  TTabSheet* tab = Find(id);
  if (tab == nullptr || tab->Desc.Owner == nullptr) return false;
  tab->Desc.Owner = nullptr;
  OwnerReleased(*tab);
  return true;
}

bool TResultTabs::IsClosing(TTabId id) const {
  return std::find(closing_.begin(), closing_.end(), id) != closing_.end();
}

bool TResultTabs::Close(TTabId id) {
  const TTabSheet* tab = Find(id);
  if (tab == nullptr || tab->Desc.Owner != nullptr || IsClosing(id)) return false;
  // The listeners see the tab whole; one that closes it again, or other tabs, does no harm.
  closing_.push_back(id);
  Closing(*tab);
  std::erase(closing_, id);
  std::erase_if(tabs_, [id](const auto& sheet) { return sheet->Id == id; });
  if (current_ == id) current_ = 0;
  return true;
}

void TResultTabs::CloseAndFreeTabs(std::string_view robotName) {
  std::vector<TTabId> closing;
  for (auto tab = tabs_.rbegin(); tab != tabs_.rend(); ++tab) {
    if ((*tab)->Desc.RobotName == robotName && (*tab)->Desc.Owner == nullptr) closing.push_back((*tab)->Id);
  }
  for (const TTabId id : closing) Close(id);
}

void TResultTabs::CloseAllFromLast() {
  // Until none is left: a listener may open tabs while others close.
  for (;;) {
    const auto last =
        std::find_if(tabs_.rbegin(), tabs_.rend(), [this](const auto& tab) { return !IsClosing(tab->Id); });
    if (last == tabs_.rend()) return;
    (*last)->Desc.Owner = nullptr;
    Close((*last)->Id);
  }
}

const TTabSheet* TResultTabs::Find(TTabId id) const {
  const auto found = std::find_if(tabs_.begin(), tabs_.end(), [id](const auto& tab) { return tab->Id == id; });
  return found == tabs_.end() ? nullptr : found->get();
}

TTabSheet* TResultTabs::Find(TTabId id) {
  return const_cast<TTabSheet*>(std::as_const(*this).Find(id));
}

}  // namespace varnelo::base
