#pragma once

#include <string>
#include <utility>

namespace varnelo::runner {

// What a command of the robot panel came from: an item of one of its robot menus, with its caption,
// or a button, which takes the robot selected in the list.
struct TSender {
  bool menuItem = false;
  std::string caption;

  static TSender Button() { return {}; }
  static TSender MenuItem(std::string caption) { return {true, std::move(caption)}; }
};

}  // namespace varnelo::runner
