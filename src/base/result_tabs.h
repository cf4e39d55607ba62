#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/browser.h"
#include "base/signal.h"

namespace varnelo::base {

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
  // The tabs' hold on the browser's signals; ends before the browser does.
  base::TConnections BrowserConnections;
};

// The result tab container of the main window: every tab in tab order with its descriptor and
// content. Main thread only; workers reach it through the main queue. Its signals are raised there,
// and a listener may close tabs (even the one it is told about) or open new ones.
class TResultTabs {
public:
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

  // False when the tab is gone (closed by the user while its worker still filled it), so the rows are
  // dropped, or when it is not a list. The rows are added at the end, in their order.
  bool AddRows(TTabId id, std::vector<TListRow> rows);
  bool AddRow(TTabId id, TListRow row);
  // What a double-click on a row of the tab does from now on.
  void SetRowActivation(TTabId id, std::function<void(const TListRow&)> action);
  // The front end's double-click with row `index` selected: runs the tab's action on that row; false,
  // and nothing done, when the tab is gone, has no action or no such row.
  bool ActivateRow(TTabId id, size_t index);
  // False when the tab is gone or holds no browser.
  bool Navigate(TTabId id, std::string url);
  bool NavigateWithPost(TTabId id, std::string url, std::string postData, std::string headers);
  // False when the tab is gone.
  bool SetCaption(TTabId id, std::string caption);

  // The tab the user sees; 0 when none. The front end sets it when the user switches tabs.
  TTabId Current() const { return current_; }
  void SetCurrent(TTabId id) { current_ = id; }

  // The first tab, in tab order, whose owner is `owner` gets none.
  void PossibleToCloseTabsheet(const void* owner);
  // The tab gets no owner; false when it is gone or had none.
  bool ReleaseOwner(TTabId id);
  // Closes the tab unless a worker still owns it; false when it was refused or is gone.
  bool Close(TTabId id);
  // Closes every tab of the robot that no worker owns, from the last to the first.
  void CloseAndFreeTabs(std::string_view robotName);
  // The program's end, once no worker is left: every tab is freed, from the last to the first.
  void CloseAllFromLast();

  const TTabSheet* Find(TTabId id) const;
  TTabSheet* Find(TTabId id);
  const std::vector<std::unique_ptr<TTabSheet>>& Tabs() const { return tabs_; }

  // A new last tab, with its descriptor.
  base::TSignal<const TTabSheet&> TabOpened;
  // Rows `first` to `first + count - 1` of the tab's list are new; they come in batches.
  base::TSignal<const TTabSheet&, size_t /*first*/, size_t /*count*/> RowsAdded;
  // The tab's worker has ended: the user may close it now.
  base::TSignal<const TTabSheet&> OwnerReleased;
  base::TSignal<const TTabSheet&> CaptionChanged;
  // The tab's browser was sent to Content.Url.
  base::TSignal<const TTabSheet&> Navigated;
  // The tab is about to be freed with its content and its browser.
  base::TSignal<const TTabSheet&> Closing;
  // The browser of a tab can move forward (kCommandForward) or back (kCommandBack), or no longer.
  base::TSignal<TTabId, int /*command*/, bool /*enabled*/> CommandStateChanged;

private:
  using TTabList = std::vector<std::unique_ptr<TTabSheet>>;

  TTabId AddTab(TTabTemplate tabTemplate, const void* owner, std::string robotName, std::string caption,
                 std::unique_ptr<TBrowser> browser);
  // Raises Navigated unless the browser's own signals closed the tab meanwhile.
  void RaiseNavigated(TTabId id);
  bool IsClosing(TTabId id) const;

  TTabList tabs_;
  // The tabs whose Closing listeners run now: they are freed once those return.
  std::vector<TTabId> closing_;
  TTabId nextId_ = 1;
  TTabId current_ = 0;
  TBrowserFactory* browserFactory_ = nullptr;
};

}  // namespace varnelo::base
