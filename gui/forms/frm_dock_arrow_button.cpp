#include "gui/forms/frm_dock_arrow_button.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStyle>

#include "gui/base/text.h"
#include "gui/forms/quick_search_bar.h"

namespace varnelo::gui {
namespace {

using runner::TRobotMenu;
using runner::TSender;

constexpr TRobotMenu kMenus[] = {TRobotMenu::Start, TRobotMenu::Delete, TRobotMenu::Stop, TRobotMenu::Rename};

constexpr int Index(TRobotMenu menu) { return static_cast<int>(menu); }

}  // namespace

TFrmDockArrowButton::TFrmDockArrowButton(runner::TFrmDockArrowButton& model, runner::TRobotList& robotList,
                                         runner::TRobotRunner& runner, QWidget* parent)
    : QDialog(parent),
      model_(model),
      robotList_(robotList),
      runner_(runner),
      robotListBox_(new QListWidget(this)),
      buttons_(new QWidget(this)) {
  setObjectName("FrmDockArrowButton");
  setWindowTitle("Configurer les Actions");
  setModal(true);

  robotListBox_->setObjectName("RobotListBox");
  robotListBox_->setToolTip("Double click on robot to edit it");
  robotListBox_->setSelectionMode(QAbstractItemView::SingleSelection);
  robotListBox_->setMinimumWidth(260);
  connect(robotListBox_, &QListWidget::itemSelectionChanged, this, [this] { SendSelection(); });
  connect(robotListBox_, &QListWidget::itemDoubleClicked, this, [this] {
    if (model_.RobotListBoxDblClick()) {
      // The robot editor window comes later; it will open here, modally, with the panel disabled.
    }
  });

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(robotListBox_, 1);
  layout->addWidget(buttons_);
  new QGridLayout(buttons_);
  BuildMenus();

  connect(AddButton("StartButton", "Démarrer"), &QPushButton::clicked, this, [this] { Start(TSender::Button()); });
  connect(AddButton("AbortButton", "Annuler"), &QPushButton::clicked, this,
          [this] { runner_.AbortBtnClick(TSender::Button()); });
  connect(AddButton("PropertiesButton", "Propriétés"), &QPushButton::clicked, this, [this] {
    if (model_.propertiesButtonClick()) {
      // The robot editor window comes later; it will open here, modally.
    }
  });
  connect(AddButton("RemoveButton", "Effacer"), &QPushButton::clicked, this,
          [this] { model_.RemoveBtnClick(TSender::Button()); });
  connect(AddButton("RenameButton", "Renommer"), &QPushButton::clicked, this,
          [this] { model_.RenameBtnClick(TSender::Button()); });
  connect(AddButton("CloseTabsButton", "Fermer onglets"), &QPushButton::clicked, this,
          [this] { model_.CloseTabsBtnClick(); });
  connect(AddButton("OkButton", "Arrêter"), &QPushButton::clicked, this, [this] { model_.ButtonOKClick(); });
  static_cast<QGridLayout*>(buttons_->layout())->setRowStretch(buttons_->layout()->count(), 1);
  // One width for the column, with room for the menu arrows that the size hints leave out.
  const QList<QPushButton*> buttons = buttons_->findChildren<QPushButton*>();
  int width = 0;
  for (QPushButton* button : buttons) width = std::max(width, button->sizeHint().width());
  width += style()->pixelMetric(QStyle::PM_MenuButtonIndicator) + 8;
  for (QPushButton* button : buttons) button->setMinimumWidth(width);

  listening_ += robotList_.RobotAdded.Connect([this](const std::string&) { ShowList(); });
  listening_ += robotList_.RobotRemoved.Connect([this](const std::string&) { ShowList(); });
  listening_ += robotList_.RobotRenamed.Connect([this](const std::string&, const std::string&) { ShowList(); });
  listening_ += robotList_.StateChanged.Connect([this](const std::string&, bool) { ShowList(); });
  listening_ += robotList_.Cleared.Connect([this] { ShowList(); });
  listening_ += robotList_.SelectionChanged.Connect([this](const std::optional<std::string>&) { ShowSelection(); });
  listening_ += model_.MenusChanged.Connect([this] { FillMenus(); });
  listening_ += model_.VisibilityChanged.Connect([this](bool visible) { ShowVisibility(visible); });

  ShowList();
  FillMenus();
  resize(560, 400);
  if (model_.Visible()) ShowVisibility(true);
}

QMenu* TFrmDockArrowButton::RobotMenu(TRobotMenu menu) const { return menus_[Index(menu)]; }

QPushButton* TFrmDockArrowButton::AddButton(const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, buttons_);
  button->setObjectName(name);
  button->setAutoDefault(false);
  auto* grid = static_cast<QGridLayout*>(buttons_->layout());
  grid->addWidget(button, grid->count(), 0);
  return button;
}

void TFrmDockArrowButton::BuildMenus() {
  // "Web" asks the model for a new robot; the robot editor window, which comes later, answers that request.
  auto* newMenu = new QMenu(this);
  newMenu->setObjectName("NewMenu");
  connect(newMenu->addAction(LiteralCaption(std::string(runner::kNewRobotItemCaption))), &QAction::triggered, this,
          [this] { model_.BtnNewRobotClick(); });
  AddButton("NewButton", "Nouveau")->setMenu(newMenu);

  struct TMenuButton {
    TRobotMenu menu;
    const char* button;
    const char* caption;
    const char* menuName;
  };
  const TMenuButton menuButtons[] = {
      {TRobotMenu::Start, "StartMenuButton", "Démarrer Robot", "StartMenu"},
      {TRobotMenu::Stop, "StopMenuButton", "Arrêter Robot", "StopMenu"},
      {TRobotMenu::Delete, "DeleteMenuButton", "Effacer Robot", "DeleteMenu"},
      {TRobotMenu::Rename, "RenameMenuButton", "Renommer Robot", "RenameMenu"},
  };
  for (const TMenuButton& entry : menuButtons) {
    auto* menu = new QMenu(this);
    menu->setObjectName(entry.menuName);
    menus_[Index(entry.menu)] = menu;
    AddButton(entry.button, ToQ(entry.caption))->setMenu(menu);
  }
}

void TFrmDockArrowButton::FillMenus() {
  for (TRobotMenu which : kMenus) {
    QMenu* menu = RobotMenu(which);
    // The item that was chosen may be the one going: it is deleted once its signal is over.
    for (QAction* action : menu->actions()) {
      menu->removeAction(action);
      action->deleteLater();
    }
    for (const std::string& caption : model_.Menu(which)) {
      QAction* action = menu->addAction(LiteralCaption(caption));
      action->setData(ToQ(caption));
      connect(action, &QAction::triggered, this, [this, which, caption] {
        const TSender sender = TSender::MenuItem(caption);
        switch (which) {
          case TRobotMenu::Start:
            Start(sender);
            break;
          case TRobotMenu::Stop:
            runner_.AbortBtnClick(sender);
            break;
          case TRobotMenu::Delete:
            model_.RemoveBtnClick(sender);
            break;
          case TRobotMenu::Rename:
            model_.RenameBtnClick(sender);
            break;
        }
      });
    }
  }
}

void TFrmDockArrowButton::ShowList() {
  showing_ = true;
  robotListBox_->clear();
  for (const std::string& entry : robotList_.Entries()) robotListBox_->addItem(ToQ(entry));
  showing_ = false;
  ShowSelection();
}

void TFrmDockArrowButton::ShowSelection() {
  showing_ = true;
  const std::optional<std::string> selected = robotList_.SelectedEntry();
  QListWidgetItem* item = nullptr;
  if (selected) {
    const QList<QListWidgetItem*> found = robotListBox_->findItems(ToQ(*selected), Qt::MatchExactly);
    if (!found.isEmpty()) item = found.front();
  }
  if (item != nullptr) {
    robotListBox_->setCurrentItem(item);
  } else {
    robotListBox_->clearSelection();
    robotListBox_->setCurrentRow(-1);
  }
  showing_ = false;
}

void TFrmDockArrowButton::SendSelection() {
  if (showing_) return;
  const QList<QListWidgetItem*> selected = robotListBox_->selectedItems();
  if (selected.isEmpty()) {
    robotList_.Select(std::nullopt);
  } else {
    robotList_.Select(runner::TRobotList::RobotNameOf(FromQ(selected.front()->text())));
  }
}

void TFrmDockArrowButton::Start(const TSender& sender) {
  if (runner_.ExecBtnClick(sender)) model_.Close();
}

void TFrmDockArrowButton::ShowVisibility(bool visible) {
  if (!visible) {
    hide();
    return;
  }
  show();
  raise();
  activateWindow();
}

void TFrmDockArrowButton::reject() { model_.Close(); }

}  // namespace varnelo::gui
