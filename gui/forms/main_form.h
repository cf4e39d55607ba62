#pragma once

#include <filesystem>
#include <map>
#include <string>

#include <QMainWindow>
#include <QPointer>

#include "base/indicators_port.h"
#include "base/signal.h"
#include "forms/main_form.h"
#include "runner/run_progress.h"

class QAction;
class QLabel;
class QProgressBar;
class QSystemTrayIcon;
class QVBoxLayout;

namespace varnelo::gui {

class TFormLog;

// The ports that the main window does not make itself.
struct TMainFormServices {
  base::TDialogsPort& dialogs;
  base::TShellOpenPort& shellOpen;
};

// The main window "Varnelo 1.61": menus, the quick search bar, the result tabs and the status bar, the
// tray icon and the log window, over the core's main form. Closing it asks, stops every worker while
// the event loop goes on, then ends the program.
class TMainForm : public QMainWindow, public base::TIndicatorsPort {
  Q_OBJECT
public:
  TMainForm(std::filesystem::path home, base::TMainQueue& queue, TMainFormServices services,
            QWidget* parent = nullptr);
  ~TMainForm() override;

  shell::TMainForm& Model() { return model_; }
  TFormLog& FormLog() { return *formLog_; }
  // The creation steps of the core, then the views over what they built; a configuration file that
  // cannot be used closes the window (with the question) once it shows.
  void Create();
  // Un-minimises, shows and raises the window (the tray icon, a second start).
  void Restore();

  // The widget above the tabs and the tab container; the views that fill them are set by the caller.
  void SetTopBar(QWidget* bar);
  void SetTabContainer(QWidget* tabs);

  void SetRunning(bool running) override;
  void SetTrayIconVisible(bool visible) override;

  QAction* Action(const QString& objectName) const;

Q_SIGNALS:
  // The robot panel is asked for ("Configurer les Actions...").
  void RobotPanelRequested();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildMenus();
  void BuildStatusBar();
  void BuildTray();
  void ListenToTheCore();
  void ShowProgress(const std::string& robot, const runner::TRunProgress& progress);
  void RobotStateChanged(const std::string& robot, bool working);
  void EditCommand(const char* slot);
  void ShowAbout();
  void OpenHelpPage(const char* page);
  void FinishShutdown();
  void RestoreGeometry();
  void SaveGeometry() const;

  TFormLog* formLog_;
  shell::TMainForm model_;
  TMainFormServices services_;
  QVBoxLayout* central_ = nullptr;
  QWidget* topBar_ = nullptr;
  QWidget* tabContainer_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* led_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  bool running_ = false;
  bool trayVisible_ = false;
  // The robots whose run the progress bar follows: the latest figures of each that runs.
  std::map<std::string, runner::TRunProgress> runs_;
  base::TConnections listening_;
};

}  // namespace varnelo::gui
