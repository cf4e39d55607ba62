#include "support/temp_home.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/home_directory.h"

namespace varnelo::test {
namespace fs = std::filesystem;

TTempHome::TTempHome() : home_(dir_.Path() / "home") {
  platform::EnsureHome(home_, platform::FindTemplate());
}

TTempHome::TTempHome(std::string_view robotConfig) : TTempHome() {
  WriteFile(RobotConfigPath(), robotConfig);
  for (const fs::directory_entry& entry : fs::directory_iterator(home_ / "Robot Definitions")) fs::remove_all(entry);
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const fs::path& file, std::string_view content) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace varnelo::test
