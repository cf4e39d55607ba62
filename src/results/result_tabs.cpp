#include "results/result_tabs.h"

#include <algorithm>
#include <utility>

namespace varnelo::results {

std::string_view TemplateName(TTabTemplate tabTemplate) {
  switch (tabTemplate) {
    case TTabTemplate::ListView: return "MyTabsheetListView";
    case TTabTemplate::ListViewRSS: return "MyTabsheetListViewRSS";
    case TTabTemplate::WebBrowser: return "MyTabsheetWebBrowser";
  }
  return {};
}

std::vector<std::string_view> TemplateColumns(TTabTemplate tabTemplate) {
  switch (tabTemplate) {
    case TTabTemplate::ListView: return {"URL", "Found Line"};
    case TTabTemplate::ListViewRSS: return {"Title", "Link", "Description"};
    case TTabTemplate::WebBrowser: return {};
  }
  return {};
}

TTabId TResultTabs::OpenResultTab(TTabTemplate tabTemplate, const void* owner, std::string robotName,
                                  std::string caption) {
  auto tab = std::make_unique<TTabSheet>();
  tab->Id = nextId_++;
  tab->Caption = std::move(caption);
  tab->Content.Template = tabTemplate;
  tab->Desc.Owner = owner;
  tab->Desc.RobotName = std::move(robotName);
  tab->Desc.Content = &tab->Content;
  tabs_.push_back(std::move(tab));
  if (view_ != nullptr) view_->TabOpened(*tabs_.back());
  return tabs_.back()->Id;
}

bool TResultTabs::AddRow(TTabId id, TListRow row) {
  TTabSheet* tab = Find(id);
  if (tab == nullptr || tab->Content.Template == TTabTemplate::WebBrowser) return false;
  tab->Content.Rows.push_back(std::move(row));
  if (view_ != nullptr) view_->RowAdded(*tab, tab->Content.Rows.back());
  return true;
}

bool TResultTabs::Navigate(TTabId id, std::string url) {
  TTabSheet* tab = Find(id);
  if (tab == nullptr || tab->Content.Template != TTabTemplate::WebBrowser) return false;
  tab->Content.Url = std::move(url);
  if (view_ != nullptr) view_->Navigated(*tab);
  return true;
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
  if (view_ != nullptr) view_->TabClosed(id);
  return true;
}

const TTabSheet* TResultTabs::Find(TTabId id) const {
  const auto found = std::find_if(tabs_.begin(), tabs_.end(), [id](const auto& tab) { return tab->Id == id; });
  return found == tabs_.end() ? nullptr : found->get();
}

TTabSheet* TResultTabs::Find(TTabId id) {
  return const_cast<TTabSheet*>(std::as_const(*this).Find(id));
}

}  // namespace varnelo::results
