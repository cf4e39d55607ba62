#include "gui/app/gui_command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace varnelo::gui {
namespace {

// Qt's own options that take the next argument as their value.
constexpr std::array<std::string_view, 14> kQtOptionsWithValue = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry", "-qwindowicon",
    "-qwindowtitle", "-session", "-style", "-stylesheet", "-display", "-geometry", "-title", "-name"};

bool TakesValue(std::string_view argument) {
  return std::find(kQtOptionsWithValue.begin(), kQtOptionsWithValue.end(), argument) != kQtOptionsWithValue.end();
}

}  // namespace

TGuiCommandLine ParseGuiCommandLine(const std::vector<std::string>& arguments) {
  TGuiCommandLine line;
  constexpr std::string_view kHomeEquals = "--home=";
  for (size_t i = 0; i < arguments.size() && line.error.empty(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      line.help = true;
    } else if (argument == "--version") {
      line.version = true;
    } else if (argument == "--home") {
      if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
        line.error = "--home needs a directory";
      } else {
        line.home = arguments[++i];
      }
    } else if (argument.starts_with(kHomeEquals)) {
      if (argument.size() == kHomeEquals.size()) {
        line.error = "--home needs a directory";
      } else {
        line.home = argument.substr(kHomeEquals.size());
      }
    } else if (TakesValue(argument)) {
      ++i;
    } else if (argument.starts_with("--") || !argument.starts_with("-")) {
      line.error = "unknown argument '" + argument + "'";
    }
  }
  return line;
}

std::string GuiUsage() {
  return "Usage: varnelo [--home DIR]\n"
         "Opens the Varnelo window on the home directory DIR (else $VARNELO_HOME, else\n"
         "$XDG_DATA_HOME/varnelo).\n"
         "\n"
         "  --home DIR   the home directory: robotconfig.ini, results, definitions\n"
         "  --help       show this text\n"
         "  --version    show the version\n"
         "\n"
         "Without a display, run the same robots with varnelo-cli (see 'varnelo-cli --help').\n";
}

}  // namespace varnelo::gui
