#pragma once

#include <QWidget>

#include "base/signal.h"
#include "forms/quick_search_bar.h"
#include "search/quick_search_menu.h"

class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace varnelo::gui {

// The bar above the result tabs: back and forward through the current tab's browser, the search words,
// GO, and the engine menu button whose caption is the robot GO runs.
class TQuickSearchBar : public QWidget {
  Q_OBJECT
public:
  TQuickSearchBar(search::TQuickSearchBar& model, search::TQuickSearchMenu& menu, QWidget* parent = nullptr);

  QLineEdit* EditSearchTerm() const { return editSearchTerm_; }
  QToolButton* EngineMenuButton() const { return engineMenuButton_; }

private:
  void ShowModel();
  void RebuildMenu();

  search::TQuickSearchBar& model_;
  search::TQuickSearchMenu& menu_;
  QToolButton* backButton_;
  QToolButton* forwardButton_;
  QLineEdit* editSearchTerm_;
  QPushButton* buttonGo_;
  QToolButton* engineMenuButton_;
  QMenu* popupMenu_;
  base::TConnections listening_;
};

// A name as a menu or button caption that shows every "&" instead of taking it as a shortcut.
QString LiteralCaption(const std::string& name);

}  // namespace varnelo::gui
