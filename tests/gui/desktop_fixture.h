#pragma once

#include <memory>
#include <string_view>

#include <QApplication>

#include "gui/app/application.h"
#include "gui/desktop.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::test {

// A whole desktop on a fresh home, its dialogs and shell-opens recorded.
class TDesktopFixture {
public:
  TDesktopFixture() : desktop(MakeDesktop()) {}
  explicit TDesktopFixture(std::string_view robotConfig) : home(robotConfig), desktop(MakeDesktop()) {}

  static gui::TApplication& Application() { return *static_cast<gui::TApplication*>(QApplication::instance()); }

  std::unique_ptr<gui::TDesktop> MakeDesktop() {
    return std::make_unique<gui::TDesktop>(home.Path(), Application(), gui::TDesktopPorts{&dialogs, &shellOpen});
  }

  TTempHome home;
  TRecordingDialogs dialogs;
  TRecordingShellOpen shellOpen;
  std::unique_ptr<gui::TDesktop> desktop;
};

}  // namespace varnelo::test
