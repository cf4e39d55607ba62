#include "gui/forms/quick_search_bar.h"

#include <algorithm>
#include <vector>

#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "gui/base/text.h"

namespace varnelo::gui {
namespace {

constexpr const char* kDefaultIcon = ":/varnelo/default_icon.png";

// The menu's images by index; a file that does not load shows the default icon.
std::vector<QIcon> LoadImages(const std::vector<std::filesystem::path>& files) {
  std::vector<QIcon> icons;
  icons.reserve(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    QIcon icon;
    if (i != search::TQuickSearchMenu::kDefaultImage) icon = QIcon(PathToQ(files[i]));
    if (icon.availableSizes().isEmpty()) icon = QIcon(kDefaultIcon);
    icons.push_back(icon);
  }
  return icons;
}

QIcon ImageAt(const std::vector<QIcon>& icons, size_t image) {
  return image < icons.size() ? icons[image] : QIcon(kDefaultIcon);
}

}  // namespace

QString LiteralCaption(const std::string& name) { return ToQ(name).replace('&', "&&"); }

TQuickSearchBar::TQuickSearchBar(search::TQuickSearchBar& model, search::TQuickSearchMenu& menu, QWidget* parent)
    : QWidget(parent),
      model_(model),
      menu_(menu),
      backButton_(new QToolButton(this)),
      forwardButton_(new QToolButton(this)),
      editSearchTerm_(new QLineEdit(this)),
      buttonGo_(new QPushButton("GO", this)),
      engineMenuButton_(new QToolButton(this)),
      popupMenu_(new QMenu(this)) {
  setObjectName("QuickSearchBar");
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 3, 4, 3);
  layout->setSpacing(4);

  backButton_->setObjectName("BackButton");
  backButton_->setArrowType(Qt::LeftArrow);
  backButton_->setToolTip("Back");
  forwardButton_->setObjectName("ForwardButton");
  forwardButton_->setArrowType(Qt::RightArrow);
  forwardButton_->setToolTip("Forward");
  connect(backButton_, &QToolButton::clicked, this, [this] { model_.Back(); });
  connect(forwardButton_, &QToolButton::clicked, this, [this] { model_.Forward(); });

  editSearchTerm_->setObjectName("EditSearchTerm");
  editSearchTerm_->setPlaceholderText("Enter the search term");
  editSearchTerm_->setToolTip("Enter the search term");
  editSearchTerm_->setMinimumWidth(240);
  // A line edit takes no line break: Enter only does GO.
  connect(editSearchTerm_, &QLineEdit::returnPressed, this, [this] { model_.Go(FromQ(editSearchTerm_->text())); });

  buttonGo_->setObjectName("ButtonGO");
  buttonGo_->setAutoDefault(false);
  connect(buttonGo_, &QPushButton::clicked, this, [this] { model_.Go(FromQ(editSearchTerm_->text())); });

  popupMenu_->setObjectName("PopupMenuSearchEngine");
  engineMenuButton_->setObjectName("EngineMenuButton");
  engineMenuButton_->setPopupMode(QToolButton::InstantPopup);
  engineMenuButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  engineMenuButton_->setMenu(popupMenu_);

  layout->addWidget(backButton_);
  layout->addWidget(forwardButton_);
  layout->addWidget(editSearchTerm_, 1);
  layout->addWidget(buttonGo_);
  layout->addWidget(engineMenuButton_);
  setFocusProxy(editSearchTerm_);

  listening_ += model_.Changed.Connect([this] { ShowModel(); });
  listening_ += menu_.Changed.Connect([this] { RebuildMenu(); });
  ShowModel();
  RebuildMenu();
}

void TQuickSearchBar::ShowModel() {
  backButton_->setEnabled(model_.BackEnabled());
  forwardButton_->setEnabled(model_.ForwardEnabled());
  engineMenuButton_->setText(LiteralCaption(model_.ChosenRobot()));
  // The size hint leaves no room for the menu arrow, which would cover the caption's end.
  engineMenuButton_->setMinimumWidth(std::max(
      200, engineMenuButton_->sizeHint().width() + style()->pixelMetric(QStyle::PM_MenuButtonIndicator) + 4));
}

void TQuickSearchBar::RebuildMenu() {
  // Sub-menus are children of the menu, which clear() leaves alive.
  for (QMenu* sub : popupMenu_->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) delete sub;
  popupMenu_->clear();
  const std::vector<QIcon> icons = LoadImages(menu_.Images());
  for (const search::TQuickSearchMenu::TCategoryEntry& category : menu_.Entries()) {
    QMenu* sub = popupMenu_->addMenu(ImageAt(icons, category.image), LiteralCaption(category.caption));
    for (const search::TQuickSearchMenu::TItem& robot : category.robots) {
      QAction* action = sub->addAction(ImageAt(icons, robot.image), LiteralCaption(robot.caption));
      action->setData(ToQ(robot.caption));
      connect(action, &QAction::triggered, this, [this, caption = robot.caption] { model_.ChooseRobot(caption); });
    }
  }
}

}  // namespace varnelo::gui
