#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::results {

// The templates a result tab is made from.
enum class TTabTemplate { ListView, ListViewRSS, WebBrowser };

// "MyTabsheetListView", "MyTabsheetListViewRSS", "MyTabsheetWebBrowser".
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

// What fills a tab: the rows of a list, or the URL its browser shows.
struct TTabContent {
  TTabTemplate Template = TTabTemplate::ListView;
  std::vector<TListRow> Rows;
  std::string Url;
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

  // A new last tab from `tabTemplate`, with its descriptor; its id stays valid until it is closed.
  TTabId OpenResultTab(TTabTemplate tabTemplate, const void* owner, std::string robotName, std::string caption);

  // False when the tab is gone (closed by the user while its worker still filled it), so the row is
  // dropped, or when it is not a list.
  bool AddRow(TTabId id, TListRow row);
  // False when the tab is gone or holds no browser.
  bool Navigate(TTabId id, std::string url);

  // The first tab, in tab order, whose owner is `owner` gets none.
  void PossibleToCloseTabsheet(const void* owner);
  // Closes the tab unless a worker still owns it; false when it was refused or is gone.
  bool Close(TTabId id);

  const TTabSheet* Find(TTabId id) const;
  TTabSheet* Find(TTabId id);
  const std::vector<std::unique_ptr<TTabSheet>>& Tabs() const { return tabs_; }

private:
  std::vector<std::unique_ptr<TTabSheet>> tabs_;
  TTabId nextId_ = 1;
  TResultTabsView* view_ = nullptr;
};

}  // namespace varnelo::results
