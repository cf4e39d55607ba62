#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnelo::gui {

// What `varnelo` was asked on its command line. Single-dash options are Qt's (-platform, -style, ...)
// and are left to it.
struct TGuiCommandLine {
  std::optional<std::filesystem::path> home;
  bool help = false;
  bool version = false;
  // Empty when the line is good; else what is wrong with it.
  std::string error;
};

TGuiCommandLine ParseGuiCommandLine(const std::vector<std::string>& arguments);
std::string GuiUsage();

}  // namespace varnelo::gui
