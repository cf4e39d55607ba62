// The window tests run offscreen, with their own runtime and configuration folders, and one
// application object per process.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "gui/app/application.h"
#include "gui/app/webengine_setup.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
  varnelo::test::TTempDir scratch;
  const std::filesystem::path runtime = scratch.Path() / "runtime";
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (scratch.Path() / "config").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (scratch.Path() / "cache").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (scratch.Path() / "data").c_str(), 1);
  varnelo::gui::PrepareWebEngine();
  varnelo::gui::TApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
