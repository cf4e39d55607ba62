#include "gui/base/result_tabs_view.h"

#include <QHeaderView>
#include <QMenu>
#include <QTabBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "gui/base/text.h"
#include "gui/forms/frm_see_result.h"

namespace varnelo::gui {
namespace {

constexpr const char* kTabIdProperty = "varneloTabId";
constexpr int kFeedColumnWidth = 200;
constexpr int kUrlColumnWidth = 320;

}  // namespace

TListRowsModel::TListRowsModel(const base::TTabSheet& tab, QObject* parent)
    : QAbstractTableModel(parent), rows_(&tab.Content.Rows), count_(static_cast<int>(tab.Content.Rows.size())) {
  for (const std::string_view column : base::TemplateColumns(tab.Content.Template)) columns_.push_back(ToQ(column));
}

int TListRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count_;
}

int TListRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TListRowsModel::data(const QModelIndex& index, int role) const {
  if (rows_ == nullptr || !index.isValid() || index.row() >= count_) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const base::TListRow& row = (*rows_)[static_cast<size_t>(index.row())];
  if (index.column() == 0) return ToQ(row.Caption);
  const size_t sub = static_cast<size_t>(index.column()) - 1;
  return sub < row.SubItems.size() ? ToQ(row.SubItems[sub]) : QString();
}

QVariant TListRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= static_cast<int>(columns_.size())) return {};
  return columns_[static_cast<size_t>(section)];
}

void TListRowsModel::RowsAdded(size_t first, size_t count) {
  if (rows_ == nullptr || count == 0 || static_cast<int>(first) != count_) return;
  beginInsertRows({}, count_, count_ + static_cast<int>(count) - 1);
  count_ += static_cast<int>(count);
  endInsertRows();
}

void TListRowsModel::Detach() {
  beginResetModel();
  rows_ = nullptr;
  count_ = 0;
  endResetModel();
}

TResultTabsView::TResultTabsView(base::TResultTabs& tabs, search::TQuickSearchBar& quickSearchBar,
                                 base::TDialogsPort& dialogs, TWebProfile& profile, QWidget* parent)
    : QTabWidget(parent),
      tabs_(tabs),
      quickSearchBar_(quickSearchBar),
      dialogs_(dialogs),
      profile_(profile),
      tabMenu_(new QMenu(this)) {
  showResult_ = [this](const std::filesystem::path& page) {
    TFrmSeeResult viewer(page, profile_, window());
    viewer.exec();
  };
  tabMenu_->addAction(QStringLiteral("Fermer"), this, &TResultTabsView::CloseCurrent);
  tabMenu_->addAction(QStringLiteral("Fermer toutes les fenêtres de ce résultat de recherche"), this,
                      &TResultTabsView::CloseCurrentRobotTabs);
  tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tabBar(), &QTabBar::customContextMenuRequested, this, &TResultTabsView::ShowTabMenu);
  connect(this, &QTabWidget::currentChanged, this, &TResultTabsView::CurrentChanged);

  listening_ += tabs_.TabOpened.Connect([this](const base::TTabSheet& tab) { Opened(tab); });
  listening_ += tabs_.Closing.Connect([this](const base::TTabSheet& tab) { Closing(tab); });
  listening_ += tabs_.CaptionChanged.Connect([this](const base::TTabSheet& tab) {
    if (QWidget* page = Page(tab.Id)) setTabText(indexOf(page), ToQ(tab.Caption));
  });
  listening_ += tabs_.RowsAdded.Connect([this](const base::TTabSheet& tab, size_t first, size_t count) {
    const auto found = pages_.find(tab.Id);
    if (found != pages_.end() && found->second.model != nullptr) found->second.model->RowsAdded(first, count);
  });
  for (const auto& tab : tabs_.Tabs()) Opened(*tab);
}

TResultTabsView::~TResultTabsView() {
  // The core's browsers keep their views: they go with the browsers.
  for (auto& [id, page] : pages_) {
    if (page.browserView != nullptr) page.browserView->setParent(nullptr);
  }
}

QWidget* TResultTabsView::Page(base::TTabId id) const {
  const auto found = pages_.find(id);
  return found == pages_.end() ? nullptr : found->second.widget;
}

QTreeView* TResultTabsView::List(base::TTabId id) const {
  const auto found = pages_.find(id);
  return found == pages_.end() ? nullptr : found->second.list;
}

base::TTabId TResultTabsView::TabAt(int index) const {
  const QWidget* page = widget(index);
  return page == nullptr ? 0 : page->property(kTabIdProperty).value<base::TTabId>();
}

void TResultTabsView::Opened(const base::TTabSheet& tab) {
  TPage page;
  if (base::IsBrowserTab(tab.Content.Template)) {
    page.widget = new QWidget;
    auto* layout = new QVBoxLayout(page.widget);
    layout->setContentsMargins(0, 0, 0, 0);
    if (auto* browser = dynamic_cast<TWebBrowser*>(tab.Browser.get()); browser != nullptr && browser->View()) {
      page.browserView = browser->View();
      layout->addWidget(page.browserView);
    }
  } else {
    page.widget = MakeList(tab, page);
  }
  page.widget->setProperty(kTabIdProperty, QVariant::fromValue<base::TTabId>(tab.Id));
  pages_[tab.Id] = page;
  addTab(page.widget, ToQ(tab.Caption));
}

QWidget* TResultTabsView::MakeList(const base::TTabSheet& tab, TPage& page) {
  auto* list = new QTreeView;
  page.list = list;
  page.model = new TListRowsModel(tab, list);
  list->setModel(page.model);
  // Every row is one line high, so that a list of a hundred thousand rows scrolls without measuring.
  list->setUniformRowHeights(true);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setAllColumnsShowFocus(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  if (tab.Content.Template == base::TTabTemplate::ListViewRSS) {
    list->header()->setStretchLastSection(false);
    for (int column = 0; column < page.model->columnCount(); ++column) list->setColumnWidth(column, kFeedColumnWidth);
  } else {
    list->setColumnWidth(0, kUrlColumnWidth);
  }
  const base::TTabId id = tab.Id;
  connect(list, &QTreeView::doubleClicked, this, [this, id](const QModelIndex& index) {
    if (index.isValid()) RowDoubleClicked(id, index.row());
  });
  return list;
}

void TResultTabsView::Closing(const base::TTabSheet& tab) {
  const auto found = pages_.find(tab.Id);
  if (found == pages_.end()) return;
  const TPage page = found->second;
  pages_.erase(found);
  // The browser's view leaves with the core's browser, not with the page.
  if (page.browserView != nullptr) {
    page.browserView->hide();
    page.browserView->setParent(nullptr);
  }
  if (page.model != nullptr) page.model->Detach();
  removeTab(indexOf(page.widget));
  // Later: the close may come from a signal of the page itself (a double-click on its list).
  page.widget->deleteLater();
}

void TResultTabsView::CurrentChanged(int index) {
  const base::TTabId id = TabAt(index);
  tabs_.SetCurrent(id);
  quickSearchBar_.CurrentTabChanged(id);
}

void TResultTabsView::ShowTabMenu(const QPoint& position) {
  const int index = tabBar()->tabAt(position);
  if (index >= 0) setCurrentIndex(index);
  if (count() == 0) return;
  tabMenu_->popup(tabBar()->mapToGlobal(position));
}

void TResultTabsView::CloseCurrent() {
  const base::TTabId id = TabAt(currentIndex());
  if (id == 0 || tabs_.Close(id)) return;
  const base::TTabSheet* tab = tabs_.Find(id);
  if (tab != nullptr && tab->Desc.Owner != nullptr) {
    dialogs_.MessageBox(kStopFirst, "Error", base::TDialogsPort::TIcon::Error);
  }
}

void TResultTabsView::CloseCurrentRobotTabs() {
  const base::TTabSheet* tab = tabs_.Find(TabAt(currentIndex()));
  if (tab == nullptr) return;
  const std::string robot = tab->Desc.RobotName;
  tabs_.CloseAndFreeTabs(robot);
}

void TResultTabsView::RowDoubleClicked(base::TTabId id, int row) {
  const base::TTabSheet* tab = tabs_.Find(id);
  if (tab == nullptr || row < 0) return;
  if (tab->RowActivation) {
    tabs_.ActivateRow(id, static_cast<size_t>(row));
    return;
  }
  const std::vector<base::TListRow>& rows = tab->Content.Rows;
  if (static_cast<size_t>(row) >= rows.size() || rows[static_cast<size_t>(row)].ResultFile.empty()) return;
  const std::filesystem::path page = rows[static_cast<size_t>(row)].ResultFile;
  showResult_(page);
}

}  // namespace varnelo::gui
