#pragma once

#include <cstdlib>
#include <filesystem>

namespace varnelo::test {

// Offscreen Qt without a GPU, with the runtime, configuration, cache and data folders of the XDG rules
// in `scratch`, so that nothing of the user's own desktop is read or written.
inline void UseOffscreenDesktop(const std::filesystem::path& scratch) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
  const std::filesystem::path runtime = scratch / "runtime";
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (scratch / "cache").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
}

}  // namespace varnelo::test
