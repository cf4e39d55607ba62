#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <QIcon>
#include <QPixmap>

#include "config/config_keys.h"
#include "gui/app/application.h"
#include "gui/app/display_check.h"
#include "gui/app/gui_command_line.h"
#include "gui/app/single_instance.h"
#include "gui/app/splash.h"
#include "gui/app/webengine_setup.h"
#include "gui/desktop.h"
#include "network/tls_settings.h"
#include "platform/home_directory.h"

namespace {

constexpr int kUsageError = 2;

int Fail(const std::string& message) {
  std::cerr << "varnelo: " << message << '\n';
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace varnelo;
  const gui::TGuiCommandLine line = gui::ParseGuiCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!line.error.empty()) return Fail(line.error + "\nTry 'varnelo --help'.");
  if (line.help) {
    std::cout << gui::GuiUsage();
    return 0;
  }
  if (line.version) {
    std::cout << "varnelo " << VARNELO_VERSION << '\n';
    return 0;
  }
  if (!gui::HasDisplay()) {
    std::cerr << gui::NoDisplayMessage() << '\n';
    return kUsageError;
  }

  std::filesystem::path home;
  bool newHome = false;
  try {
    home = platform::ResolveHome(line.home);
    newHome = platform::EnsureHome(home, platform::FindTemplate());
    network::SetTlsConfigFile(home / config::kRobotConfigFile);
  } catch (const platform::EHomeError& error) {
    return Fail(error.what());
  }

  gui::PrepareWebEngine();
  gui::TApplication application(argc, argv);
  application.setWindowIcon(QIcon(":/varnelo/app.png"));

  gui::TSingleInstance instance(home);
  if (instance.AskRunningInstanceToRaise()) return 0;
  if (!instance.Listen()) std::cerr << "varnelo: cannot watch for a second start of this home\n";

  int status = 0;
  {
    gui::TSplash splash(QPixmap(":/varnelo/logo.png"));
    splash.ShowAndPaint();
    gui::TDesktop desktop(home, application);
    QObject::connect(&instance, &gui::TSingleInstance::RaiseRequested, &application,
                     [&desktop] { desktop.MainWindow().Restore(); });
    desktop.Start(newHome);
    splash.close();
    status = application.exec();
  }
  return status;
}
