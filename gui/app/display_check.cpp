#include "gui/app/display_check.h"

#include <cstdlib>

namespace varnelo::gui {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

bool HasDisplay() { return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM"); }

std::string NoDisplayMessage() {
  return "varnelo: no display (neither DISPLAY, WAYLAND_DISPLAY nor QT_QPA_PLATFORM is set); "
         "run robots without a window with varnelo-cli (see 'varnelo-cli --help')";
}

}  // namespace varnelo::gui
