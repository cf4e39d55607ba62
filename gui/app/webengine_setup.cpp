#include "gui/app/webengine_setup.h"

#include <cstdlib>
#include <string>

#include <unistd.h>

#include <QCoreApplication>

namespace varnelo::gui {
namespace {

void AddChromiumFlags(const std::string& flags) {
  const char* present = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
  std::string value = present == nullptr ? std::string() : std::string(present);
  if (value.find(flags) != std::string::npos) return;
  value += (value.empty() ? "" : " ") + flags;
  ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", value.c_str(), 1);
}

}  // namespace

void PrepareWebEngine() {
  // The views of every tab share one context.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  AddChromiumFlags("--disable-background-networking --disable-component-update");
  if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
}

}  // namespace varnelo::gui
