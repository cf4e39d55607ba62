#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <vector>

#include <QAbstractTableModel>
#include <QPointer>
#include <QTabWidget>

#include "base/dialogs_port.h"
#include "base/result_tabs.h"
#include "base/signal.h"
#include "forms/quick_search_bar.h"
#include "gui/base/web_browser.h"

class QMenu;
class QTreeView;

namespace varnelo::gui {

// The rows of one list tab, as many as the core has told of so far.
class TListRowsModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit TListRowsModel(const base::TTabSheet& tab, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Rows first .. first + count - 1 of the tab are new.
  void RowsAdded(size_t first, size_t count);
  // The tab is going: nothing of it is read any more.
  void Detach();

private:
  const std::vector<base::TListRow>* rows_;
  std::vector<QString> columns_;
  int count_ = 0;
};

// The result tab container of the main window over the core's result tabs: list tabs show their rows,
// browser tabs their browser. Right click on the tabs: "Fermer" and "Fermer toutes les fenêtres de ce
// résultat de recherche", on the active tab.
class TResultTabsView : public QTabWidget {
  Q_OBJECT
public:
  // Opens the result viewer on a stored result page and returns once it is closed.
  using TShowResult = std::function<void(const std::filesystem::path& page)>;

  static constexpr std::string_view kStopFirst = "Arrêtez le robot avant de fermer cet onglet";

  TResultTabsView(base::TResultTabs& tabs, search::TQuickSearchBar& quickSearchBar, base::TDialogsPort& dialogs,
                  TWebProfile& profile, QWidget* parent = nullptr);
  ~TResultTabsView() override;

  void SetShowResult(TShowResult showResult) { showResult_ = std::move(showResult); }

  // The page of a tab; null when it has none here.
  QWidget* Page(base::TTabId id) const;
  QTreeView* List(base::TTabId id) const;
  base::TTabId TabAt(int index) const;

  // The tab menu for the active tab.
  QMenu* TabMenu() const { return tabMenu_; }
  // "Fermer": the active tab closes unless its robot still runs.
  void CloseCurrent();
  // "Fermer toutes les fenêtres de ce résultat de recherche".
  void CloseCurrentRobotTabs();
  // A double-click on row `row` of the tab.
  void RowDoubleClicked(base::TTabId id, int row);

private:
  struct TPage {
    QWidget* widget = nullptr;
    TListRowsModel* model = nullptr;
    QTreeView* list = nullptr;
    // The browser's view, which the core's browser owns.
    QPointer<QWidget> browserView;
  };

  void Opened(const base::TTabSheet& tab);
  void Closing(const base::TTabSheet& tab);
  void CurrentChanged(int index);
  QWidget* MakeList(const base::TTabSheet& tab, TPage& page);
  void ShowTabMenu(const QPoint& position);

  base::TResultTabs& tabs_;
  search::TQuickSearchBar& quickSearchBar_;
  base::TDialogsPort& dialogs_;
  TWebProfile& profile_;
  TShowResult showResult_;
  QMenu* tabMenu_;
  std::map<base::TTabId, TPage> pages_;
  base::TConnections listening_;
};

}  // namespace varnelo::gui
