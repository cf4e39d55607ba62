#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnelo::test {

// A fresh folder under the system's temporary directory, removed with everything in it at the end.
class TTempDir {
public:
  TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  ~TTempDir();

  const std::filesystem::path& Path() const { return path_; }

private:
  std::filesystem::path path_;
};

// A home directory made from the template, with robotconfig.ini replaced by the given content when
// there is one.
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
