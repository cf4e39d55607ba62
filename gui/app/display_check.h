#pragma once

#include <string>

namespace varnelo::gui {

// Whether Qt can find a display: X11, Wayland, or a platform named explicitly (offscreen, vnc...).
bool HasDisplay();
// The one line shown instead of Qt's abort when there is none.
std::string NoDisplayMessage();

}  // namespace varnelo::gui
