#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "support/temp_dir.h"

namespace varnelo::test {

// A robotconfig.ini without robots.
inline constexpr std::string_view kNoRobots = "[general]\r\n[dictionary]\r\n";

// A home directory made from the template. Given a robotconfig.ini content, the home has it in place
// of the template's and keeps none of the template robots' definition folders.
class TTempHome {
public:
  TTempHome();
  explicit TTempHome(std::string_view robotConfig);

  const std::filesystem::path& Path() const { return home_; }
  std::filesystem::path RobotConfigPath() const { return home_ / "robotconfig.ini"; }

private:
  TTempDir dir_;
  std::filesystem::path home_;
};

std::string ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, std::string_view content);

}  // namespace varnelo::test
