#pragma once

#include <filesystem>

namespace varnelo::shell {

// Opens a file with the program the user's system associates with its type, without waiting for it.
// The file is never run itself.
class TShellOpenPort {
public:
  virtual ~TShellOpenPort() = default;
  virtual void OpenDocument(const std::filesystem::path& file) = 0;
};

}  // namespace varnelo::shell
