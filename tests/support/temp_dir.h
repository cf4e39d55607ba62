#pragma once

#include <filesystem>

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

}  // namespace varnelo::test
