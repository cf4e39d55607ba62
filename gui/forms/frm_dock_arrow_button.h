#pragma once

#include <QDialog>

#include "base/signal.h"
#include "forms/frm_dock_arrow_button.h"
#include "runner/robot_list.h"
#include "runner/robot_runner.h"

class QListWidget;
class QMenu;
class QPushButton;

namespace varnelo::gui {

// The robot panel: the robot list with each robot's state, the four robot menus and the commands
// over the panel's model and the runner. Shown modally over the main window while its model says so.
class TFrmDockArrowButton : public QDialog {
  Q_OBJECT
public:
  TFrmDockArrowButton(runner::TFrmDockArrowButton& model, runner::TRobotList& robotList,
                      runner::TRobotRunner& runner, QWidget* parent = nullptr);

  QListWidget* RobotListBox() const { return robotListBox_; }
  QMenu* RobotMenu(runner::TRobotMenu menu) const;

protected:
  // The close box and Escape close the panel through its model.
  void reject() override;

private:
  QPushButton* AddButton(const char* name, const QString& caption);
  void BuildMenus();
  void FillMenus();
  void ShowList();
  void ShowSelection();
  void SendSelection();
  void Start(const runner::TSender& sender);
  void ShowVisibility(bool visible);

  runner::TFrmDockArrowButton& model_;
  runner::TRobotList& robotList_;
  runner::TRobotRunner& runner_;
  QListWidget* robotListBox_;
  QWidget* buttons_;
  QMenu* menus_[4] = {};
  // The list is being filled from the model: its selection changes are not the user's.
  bool showing_ = false;
  base::TConnections listening_;
};

}  // namespace varnelo::gui
