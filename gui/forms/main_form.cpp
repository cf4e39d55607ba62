#include "gui/forms/main_form.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "gui/base/elided_label.h"
#include "gui/base/logo.h"
#include "gui/base/text.h"
#include "gui/forms/form_log.h"

namespace varnelo::gui {
namespace {

constexpr const char* kMakerCaption = "Tembrik Software";
constexpr const char* kGeometryKey = "MainWindow/geometry";

QSettings WindowSettings() {
  return QSettings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/varnelo/window.ini",
                   QSettings::IniFormat);
}

// The tray balloon of a robot that has ended.
QString BalloonText(const std::string& robot) { return ToQ("Robot " + robot + " s'est terminé"); }

}  // namespace

TMainForm::TMainForm(std::filesystem::path home, base::TMainQueue& queue, TMainFormServices services,
                     QWidget* parent)
    : QMainWindow(parent),
      formLog_(new TFormLog(this)),
      model_(std::move(home), queue, {*formLog_, services.dialogs, *this, services.shellOpen}),
      services_(services) {
  setObjectName("MainForm");
  setWindowTitle(ToQ(shell::kProductCaption));
  setWindowIcon(QIcon(":/varnelo/app.png"));
  auto* central = new QWidget(this);
  central_ = new QVBoxLayout(central);
  central_->setContentsMargins(0, 0, 0, 0);
  central_->setSpacing(0);
  setCentralWidget(central);
  BuildMenus();
  BuildStatusBar();
  BuildTray();
  ListenToTheCore();
  resize(1000, 700);
  RestoreGeometry();
}

TMainForm::~TMainForm() = default;

void TMainForm::Create() {
  model_.Create();
  const bool firefox = model_.BrowserIsFirefox();
  Action("BrowserFirefox")->setChecked(firefox);
  Action("BrowserIE")->setChecked(!firefox);
  if (model_.CloseRequested()) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

QAction* TMainForm::Action(const QString& objectName) const { return findChild<QAction*>(objectName); }

void TMainForm::SetTopBar(QWidget* bar) {
  topBar_ = bar;
  central_->insertWidget(0, bar);
}

void TMainForm::SetTabContainer(QWidget* tabs) {
  tabContainer_ = tabs;
  central_->addWidget(tabs, 1);
}

void TMainForm::BuildMenus() {
  auto add = [this](QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut = {}) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    return action;
  };

  QMenu* file = menuBar()->addMenu("Fichier");
  connect(add(file, "Quit", "Quitter", QKeySequence("Alt+F4")), &QAction::triggered, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu("Edition");
  connect(add(edit, "Cut", "Couper", QKeySequence("Ctrl+X")), &QAction::triggered, this,
          [this] { EditCommand("cut"); });
  connect(add(edit, "Copy", "Copier", QKeySequence("Ctrl+C")), &QAction::triggered, this,
          [this] { EditCommand("copy"); });
  connect(add(edit, "Paste", "Coller", QKeySequence("Ctrl+V")), &QAction::triggered, this,
          [this] { EditCommand("paste"); });

  QMenu* action = menuBar()->addMenu("Action");
  add(action, "NewRobot", "Nouvelle action...")->setEnabled(false);
  connect(add(action, "RobotPanel", "Configurer les Actions..."), &QAction::triggered, this,
          &TMainForm::RobotPanelRequested);
  add(action, "Categories", "Configurer les categories...")->setEnabled(false);
  add(action, "ProxyIE", "Définir les Proxy IE...")->setEnabled(false);
  add(action, "ProxyFirefox", "Définir les proxy Firefox")->setEnabled(false);
  connect(add(action, "ShowLog", "Voir le fichier journal"), &QAction::triggered, this, [this] {
    formLog_->Flush();
    formLog_->exec();
  });

  QMenu* browser = menuBar()->addMenu("Navigateur");
  auto* browsers = new QActionGroup(this);
  QAction* firefox = add(browser, "BrowserFirefox", "Firefox");
  QAction* ie = add(browser, "BrowserIE", "IE");
  for (QAction* choice : {firefox, ie}) {
    choice->setCheckable(true);
    browsers->addAction(choice);
  }
  connect(firefox, &QAction::triggered, this, [this] { model_.SetBrowser(true); });
  connect(ie, &QAction::triggered, this, [this] { model_.SetBrowser(false); });

  QMenu* extras = menuBar()->addMenu("Extras");
  add(extras, "EmailFriends", "Suggérer à un ami")->setEnabled(false);

  QMenu* help = menuBar()->addMenu("Aide");
  connect(add(help, "Help", "Aide"), &QAction::triggered, this, [this] { OpenHelpPage("index.html"); });
  connect(add(help, "Tips", "Trucs de recherche"), &QAction::triggered, this,
          [this] { OpenHelpPage("trucs-de-recherche.html"); });
  connect(add(help, "About", "A propos"), &QAction::triggered, this, &TMainForm::ShowAbout);
}

void TMainForm::EditCommand(const char* slot) {
  QWidget* focus = QApplication::focusWidget();
  // The browser's page takes the focus in a child of its own; its edit commands are the page's.
  for (QWidget* widget = focus; widget != nullptr; widget = widget->parentWidget()) {
    if (auto* view = qobject_cast<QWebEngineView*>(widget)) {
      const std::string_view name(slot);
      view->page()->triggerAction(name == "cut"    ? QWebEnginePage::Cut
                                  : name == "copy" ? QWebEnginePage::Copy
                                                   : QWebEnginePage::Paste);
      return;
    }
  }
  // Line edits, text edits and the like all have these slots.
  if (focus != nullptr) QMetaObject::invokeMethod(focus, slot);
}

void TMainForm::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar");

  auto* product = new QWidget(bar);
  auto* productLayout = new QHBoxLayout(product);
  productLayout->setContentsMargins(4, 0, 4, 0);
  auto* productIcon = new QLabel(product);
  productIcon->setPixmap(QIcon(":/varnelo/app.png").pixmap(16, 16));
  productLayout->addWidget(productIcon);
  productLayout->addWidget(new QLabel(ToQ(shell::kProductCaption), product));
  product->setObjectName("StatusProduct");

  auto* maker = new QLabel(kMakerCaption, bar);
  maker->setObjectName("StatusMaker");
  maker->setAlignment(Qt::AlignCenter);
  maker->setEnabled(false);
  maker->setMinimumWidth(140);

  progress_ = new QProgressBar(bar);
  progress_->setObjectName("StatusProgress");
  progress_->setTextVisible(false);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setFixedWidth(160);

  led_ = new QLabel(bar);
  led_->setObjectName("StatusLed");
  led_->setFixedWidth(22);
  led_->setAlignment(Qt::AlignCenter);

  auto* path = new TElidedLabel(bar);
  path->setObjectName("StatusProgramPath");
  path->SetFullText(QCoreApplication::applicationFilePath());

  // The seven panels, from left to right; 1 and 6 stay empty.
  bar->addWidget(product);
  bar->addWidget(new QLabel(bar));
  bar->addWidget(maker);
  bar->addWidget(progress_);
  bar->addWidget(led_);
  bar->addWidget(path, 1);
  bar->addWidget(new QLabel(bar));
  SetRunning(false);
}

void TMainForm::BuildTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  tray_ = new QSystemTrayIcon(QIcon(":/varnelo/tray_idle.png"), this);
  tray_->setObjectName("TrayIcon");
  tray_->setToolTip("Varnelo");
  // Any button restores the window; it never hides into the tray.
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason) { Restore(); });
}

void TMainForm::SetRunning(bool running) {
  running_ = running;
  led_->setPixmap(QPixmap(running ? ":/varnelo/led_on.png" : ":/varnelo/led_off.png"));
  led_->setToolTip(running ? "Un robot travaille" : "Aucun robot ne travaille");
  if (tray_ != nullptr) tray_->setIcon(QIcon(running ? ":/varnelo/tray_running.png" : ":/varnelo/tray_idle.png"));
}

void TMainForm::SetTrayIconVisible(bool visible) {
  trayVisible_ = visible;
  if (tray_ != nullptr) tray_->setVisible(visible);
}

void TMainForm::ListenToTheCore() {
  listening_ += model_.Runner().Progress().ProgressChanged.Connect(
      [this](const std::string& robot, const runner::TRunProgress& progress) { ShowProgress(robot, progress); });
  listening_ += model_.RobotList().StateChanged.Connect(
      [this](const std::string& robot, bool working) { RobotStateChanged(robot, working); });
  listening_ += model_.ShutdownFinished.Connect([this] { FinishShutdown(); });
}

void TMainForm::ShowProgress(const std::string& robot, const runner::TRunProgress& progress) {
  if (progress.WorkersRunning > 0) {
    runs_[robot] = progress;
  } else {
    runs_.erase(robot);
  }
  if (runs_.empty()) {
    progress_->setRange(0, 100);
    progress_->setValue(0);
    return;
  }
  // Every run with a known end counts; one without makes the bar busy.
  size_t done = 0;
  size_t total = 0;
  for (const auto& [name, run] : runs_) {
    if (!run.Total) {
      progress_->setRange(0, 0);
      return;
    }
    done += std::min(run.Done, *run.Total);
    total += *run.Total;
  }
  if (total == 0) {
    progress_->setRange(0, 0);
    return;
  }
  // QProgressBar counts in int: scale long lists down.
  const double share = static_cast<double>(done) / static_cast<double>(total);
  progress_->setRange(0, 1000);
  progress_->setValue(static_cast<int>(share * 1000));
}

void TMainForm::RobotStateChanged(const std::string& robot, bool working) {
  if (working || tray_ == nullptr || !trayVisible_) return;
  if (isMinimized() || !isVisible()) tray_->showMessage("Varnelo", BalloonText(robot));
}

void TMainForm::Restore() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void TMainForm::OpenHelpPage(const char* page) {
  services_.shellOpen.OpenDocument(model_.Home() / "help" / page);
}

void TMainForm::ShowAbout() {
  QDialog about(this);
  about.setObjectName("AboutBox");
  about.setWindowTitle("A propos");
  auto* layout = new QVBoxLayout(&about);
  auto* logo = new QLabel(&about);
  logo->setPixmap(CutOutLogo(QPixmap(":/varnelo/logo.png")).scaledToWidth(320, Qt::SmoothTransformation));
  logo->setAlignment(Qt::AlignCenter);
  layout->addWidget(logo);
  auto* title = new QLabel(ToQ(shell::kProductCaption) + " — " + kMakerCaption, &about);
  title->setAlignment(Qt::AlignCenter);
  layout->addWidget(title);
  auto* licence = new QPlainTextEdit(&about);
  licence->setObjectName("LicenseText");
  licence->setReadOnly(true);
  QFile file(PathToQ(model_.Home() / "license.txt"));
  licence->setPlainText(file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.read(1 << 20))
                                                       : "license.txt est introuvable dans " + PathToQ(model_.Home()));
  layout->addWidget(licence, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
  connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  layout->addWidget(buttons);
  // Wide enough for the licence's lines, which are wrapped at 80 characters.
  about.resize(640, 480);
  about.exec();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (model_.ShutdownComplete()) {
    SaveGeometry();
    event->accept();
    return;
  }
  event->ignore();
  if (model_.ShuttingDown()) return;
  // The geometry of the window as the user left it, not of the shutdown's last moments.
  SaveGeometry();
  if (!model_.CloseQuery()) return;
  // Without live workers the shutdown has already finished inside CloseQuery.
  if (!model_.ShutdownComplete()) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TMainForm::FinishShutdown() {
  if (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TMainForm::RestoreGeometry() {
  const QByteArray geometry = WindowSettings().value(kGeometryKey).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
}

void TMainForm::SaveGeometry() const { WindowSettings().setValue(kGeometryKey, saveGeometry()); }

}  // namespace varnelo::gui
