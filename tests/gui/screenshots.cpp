// Renders the windows as a user sees them, into PNG files: the main window with a filled feed tab and a
// browser tab, the robot panel, the log window and the about box. Everything it shows comes from
// loopback servers and a scratch home.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

#include "base/result_tabs.h"
#include "gui/app/application.h"
#include "gui/app/splash.h"
#include "gui/app/webengine_setup.h"
#include "gui/desktop.h"
#include "gui/forms/form_log.h"
#include "offscreen_environment.h"
#include "qt_wait.h"
#include "support/loopback_server.h"
#include "support/recording_ports.h"
#include "support/scripted_answer.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace {

namespace fs = std::filesystem;
using namespace varnelo;
using namespace std::chrono_literals;

std::string Feed() {
  std::string items;
  const char* titles[] = {"Les robots d'indexation expliqués", "Sauvegarder un site web entier",
                          "Flux RSS et Atom : le point", "Écrire un script Pascal pour sa base",
                          "Dictionnaires et requêtes aléatoires", "Recherche de phrases sur un site"};
  for (int i = 0; i < 24; ++i) {
    const std::string n = std::to_string(i + 1);
    items += "<item><title>" + std::string(titles[i % 6]) + " (" + n + ")</title><link>http://127.0.0.1/articles/" +
             n + ".html</link><description>Article " + n +
             " : ce que les robots trouvent, et comment les régler.</description></item>";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel><title>Actualités</title>" + items +
         "</channel></rss>";
}

const char* kPage =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Résultats pour robots</title>"
    "<style>body{font-family:sans-serif;margin:2em;color:#223}h1{color:#336633}"
    "li{margin:.6em 0}a{color:#1a4d99}</style></head><body><h1>Résultats pour « robots »</h1><ol>"
    "<li><a href=\"#1\">Les robots d'indexation</a><br>Comment un robot parcourt le web.</li>"
    "<li><a href=\"#2\">Robots et sauvegardes</a><br>Garder une copie locale d'un site.</li>"
    "<li><a href=\"#3\">Robots et scripts</a><br>Envoyer les données collectées à une base.</li>"
    "</ol></body></html>";

bool Save(QWidget& widget, const fs::path& folder, const char* name) {
  const fs::path file = folder / name;
  const bool saved = widget.grab().save(QString::fromStdString(file.string()));
  std::cout << (saved ? "wrote " : "could not write ") << file.string() << '\n';
  return saved;
}

int Run(const fs::path& folder) {
  test::TLoopbackServer server;
  server.Answer("/feed.xml", test::TScriptedAnswer::Ok(Feed(), "Content-Type: application/rss+xml\r\n"));
  server.AnswerOthers(test::TScriptedAnswer::Ok(kPage, "Content-Type: text/html; charset=utf-8\r\n"));

  // A home of its own robots only: none of the template's engines, which reach real sites.
  test::TTempHome home(
                  "[general]\r\nnextrobot=2\r\nbrowser=ie\r\n[dictionary]\r\n"
                  "[Recherche]\r\nDataFrom=Search engine functionality\r\nrobotno=0\r\nnbsimul=2\r\n"
                  "Category=General\r\nSeeOnScreen=1\r\n"
                  "[Copie du site]\r\nDataFrom=Web Site Backup\r\nrobotno=1\r\nnbsimul=3\r\n");
  const fs::path engines = home.Path() / "Robot Definitions" / "Recherche";
  fs::create_directories(engines);
  test::WriteFile(engines / "Actualités", "[Properties]\r\ngetquery=" + server.Url("/feed.xml") + "\r\nrss=1\r\n");
  test::WriteFile(engines / "Moteur", "[Properties]\r\ngetquery=" + server.Url("/search?q=$_") + "\r\nrss=0\r\n");

  bool ok = true;
  {
    gui::TSplash splash(QPixmap(":/varnelo/logo.png"));
    splash.ShowAndPaint();
    ok = Save(splash, folder, "splash.png") && ok;
  }

  test::TRecordingDialogs dialogs;
  test::TRecordingShellOpen shellOpen;
  gui::TDesktop desktop(home.Path(), *static_cast<gui::TApplication*>(QApplication::instance()),
                        {&dialogs, &shellOpen});
  desktop.Start();
  gui::TMainForm& window = desktop.MainWindow();
  window.resize(1100, 700);

  desktop.Model().QuickSearchBar().ChooseRobot("Recherche");
  // As a user searches: words in the field, then Enter.
  QLineEdit* field = desktop.QuickSearchBar().EditSearchTerm();
  field->setText("robots");
  Q_EMIT field->returnPressed();
  const base::TResultTabs& tabs = desktop.Model().Tabs();
  const auto loaded = [&] {
    size_t rows = 0;
    bool page = false;
    for (const auto& tab : tabs.Tabs()) {
      rows += tab->Content.Rows.size();
      if (tab->Browser && !tab->Browser->DocumentSource().empty()) page = true;
    }
    return rows > 0 && page && desktop.Model().Runner().RunningWorkerCount() == 0;
  };
  // The pictures are still taken when the search fails, to show what went wrong.
  if (!test::WaitUntil(loaded, 30s)) ok = false;
  if (!ok) std::cerr << "the search did not fill its tabs\n";
  // Let the page paint.
  test::WaitUntil([] { return false; }, 1500ms);

  auto* tabWidget = window.findChild<QTabWidget*>();
  for (int i = 0; tabWidget != nullptr && i < tabWidget->count(); ++i) {
    tabWidget->setCurrentIndex(i);
    test::WaitUntil([] { return false; }, 500ms);
    const std::string name = "main_window_tab" + std::to_string(i + 1) + ".png";
    ok = Save(window, folder, name.c_str()) && ok;
  }
  if (tabWidget == nullptr) ok = Save(window, folder, "main_window.png") && ok;

  gui::TFormLog& log = window.FormLog();
  for (int i = 0; i < 40; ++i) log.AppendLine("Robot Copie du site: page " + std::to_string(i + 1) + " sauvegardée");
  log.Flush();
  log.show();
  test::WaitUntil([] { return false; }, 300ms);
  ok = Save(log, folder, "log_window.png") && ok;
  log.hide();

  // The robot panel, as the menu shows it (a window-modal dialog that does not block).
  window.Action("RobotPanel")->trigger();
  test::WaitUntil([] { return false; }, 400ms);
  if (auto* panel = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
    ok = Save(*panel, folder, "robot_panel.png") && ok;
    panel->reject();
  } else {
    std::cerr << "the robot panel did not open\n";
    ok = false;
  }
  test::WaitUntil([] { return false; }, 200ms);

  QTimer::singleShot(400ms, [&] {
    if (auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      ok = Save(*about, folder, "about_box.png") && ok;
      about->reject();
    }
  });
  window.Action("About")->trigger();

  dialogs.answers.push_back(base::TDialogsPort::TAnswer::Yes);
  window.close();
  test::WaitUntil([&] { return desktop.Model().ShutdownComplete(); }, 10s);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: gui_screenshots FOLDER\n";
    return 2;
  }
  const fs::path folder = fs::absolute(argv[1]);
  fs::create_directories(folder);
  test::TTempDir scratch;
  test::UseOffscreenDesktop(scratch.Path());
  gui::PrepareWebEngine();
  gui::TApplication application(argc, argv);
  return Run(folder);
}
