#include "gui/app/application.h"

#include <stdexcept>

// The pictures are compiled into the gui library, which is static: the linker keeps them only when
// something calls their registration. Outside any namespace, as Qt's macro requires.
static void RegisterPictures() { Q_INIT_RESOURCE(gui); }

namespace varnelo::gui {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  RegisterPictures();
  setApplicationName("varnelo");
  setApplicationDisplayName("Varnelo");
  setApplicationVersion(VARNELO_VERSION);
  // The program ends through its shutdown only, never because a dialog was the last window to close.
  setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    if (errorHandler_) errorHandler_(error);
  } catch (...) {
    if (errorHandler_) errorHandler_(std::runtime_error("unknown error"));
  }
  return false;
}

}  // namespace varnelo::gui
