#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "results/browser.h"

namespace varnelo::results {

// The templates a result tab is made from, and the Mozilla browser tab that a search engine worker
// builds without a template.
enum class TTabTemplate { ListView, ListViewRSS, WebBrowser, MozillaBrowser };

// Whether tabs of this kind hold a browser.
constexpr bool IsBrowserTab(TTabTemplate tabTemplate) {
  return tabTemplate == TTabTemplate::WebBrowser || tabTemplate == TTabTemplate::MozillaBrowser;
}

// "MyTabsheetListView", "MyTabsheetListViewRSS", "MyTabsheetWebBrowser", "Mozilla".
std::string_view TemplateName(TTabTemplate tabTemplate);
// The column captions of a list template; none for the browser.
std::vector<std::string_view> TemplateColumns(TTabTemplate tabTemplate);

// One row of a list tab: its caption (first column) and the sub-items of the other columns.
struct TListRow {
  std::string Caption;
  std::vector<std::string> SubItems;
  // The page a double-click on the row opens in the result viewer (a keyword search hit's result
  // page); empty for other rows.
  std::filesystem::path ResultFile;
  bool operator==(const TListRow&) const = default;
};

// What fills a tab: the rows of a list, or what its browser was asked to show.
struct TTabContent {
  TTabTemplate Template = TTabTemplate::ListView;
  std::vector<TListRow> Rows;
  // The last navigation: its URL, and for a POST its body and header text (empty for a GET).
  std::string Url;
  std::string PostData;
  std::string PostHeaders;
};

// Who a tab belongs to. `Owner` is the worker still filling it (none once the runner released it);
// it is only compared, never followed.
struct TTabSheetDesc {
  const void* Owner = nullptr;
  std::string RobotName;
  bool CanGoBack = false;
  bool CanGoForward = false;
  TTabContent* Content = nullptr;
};

using TTabId = std::uint64_t;

struct TTabSheet {
  TTabId Id = 0;
  std::string Caption;
  TTabSheetDesc Desc;
  TTabContent Content;
  // The control of a browser tab; none in list tabs, or when no browser factory is set.
  std::unique_ptr<TBrowser> Browser;
  // What a double-click on a row of a list tab does; none for most tabs.
  std::function<void(const TListRow&)> RowActivation;
};

// What a front end shows of the tabs; every call comes on the main thread.
class TResultTabsView {
public:
  virtual ~TResultTabsView() = default;
  virtual void TabOpened(const TTabSheet& tab) = 0;
  virtual void RowAdded(const TTabSheet& tab, const TListRow& row) = 0;
  virtual void Navigated(const TTabSheet& tab) = 0;
  virtual void TabClosed(TTabId id) = 0;
};

// The result tab container of the main window: every tab in tab order with its descriptor and
// content. Main thread only; workers reach it through the main queue.
class TResultTabs {
public:
  void SetView(TResultTabsView* view) { view_ = view; }
  // Where browser tabs get their control; without one they record their navigations only.
  void SetBrowserFactory(TBrowserFactory* factory) { browserFactory_ = factory; }

  // A new last tab from `tabTemplate` (not MozillaBrowser), with its descriptor; a browser tab gets
  // an Explorer control. Its id stays valid until it is closed.
  TTabId OpenResultTab(TTabTemplate tabTemplate, const void* owner, std::string robotName, std::string caption);
  // A new last tab holding a Mozilla control; 0, and no tab left behind, when the control cannot be
  // created.
  TTabId OpenMozillaTab(const void* owner, std::string robotName, std::string caption);
  // The tab's control; null when the tab is gone or has none.
  TBrowser* Browser(TTabId id);

  // False when the tab is gone (closed by the user while its worker still filled it), so the row is
  // dropped, or when it is not a list.
  bool AddRow(TTabId id, TListRow row);
  // What a double-click on a row of the tab does from now on.
  void SetRowActivation(TTabId id, std::function<void(const TListRow&)> action);
  // The front end's double-click with row `index` selected: runs the tab's action on that row; false,
  // and nothing done, when the tab is gone, has no action or no such row.
  bool ActivateRow(TTabId id, size_t index);
  // False when the tab is gone or holds no browser.
  bool Navigate(TTabId id, std::string url);
  bool NavigateWithPost(TTabId id, std::string url, std::string postData, std::string headers);

  // The tab the user sees; 0 when none. The front end sets it when the user switches tabs.
  TTabId Current() const { return current_; }
  void SetCurrent(TTabId id) { current_ = id; }
  // Where the command state changes of connected browsers go, with the tab of the browser.
  void SetCommandStateHandler(std::function<void(TTabId, int command, bool enabled)> handler);
  // Sends the command state changes of the tab's browser to the handler.
  void ConnectCommandState(TTabId id);

  // The first tab, in tab order, whose owner is `owner` gets none.
  void PossibleToCloseTabsheet(const void* owner);
  // Closes the tab unless a worker still owns it; false when it was refused or is gone.
  bool Close(TTabId id);
  // Closes every tab of the robot that no worker owns.
  void CloseAndFreeTabs(std::string_view robotName);
  // The program's end, once no worker is left: every tab is freed, from the last to the first.
  void CloseAllFromLast();

  const TTabSheet* Find(TTabId id) const;
  TTabSheet* Find(TTabId id);
  const std::vector<std::unique_ptr<TTabSheet>>& Tabs() const { return tabs_; }

private:
  TTabId AddTab(TTabTemplate tabTemplate, const void* owner, std::string robotName, std::string caption,
                 std::unique_ptr<TBrowser> browser);
  void Navigated(TTabSheet& tab);

  std::vector<std::unique_ptr<TTabSheet>> tabs_;
  TTabId nextId_ = 1;
  TTabId current_ = 0;
  TResultTabsView* view_ = nullptr;
  TBrowserFactory* browserFactory_ = nullptr;
  std::function<void(TTabId, int, bool)> commandStateHandler_;
};

}  // namespace varnelo::results
