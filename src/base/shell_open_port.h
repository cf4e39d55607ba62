#pragma once

#include <filesystem>
#include <string_view>

namespace varnelo::base {

// Opens a file or URL with the program the user's system associates with its type, without waiting
// for it. A file is never run itself.
class TShellOpenPort {
public:
  virtual ~TShellOpenPort() = default;
  virtual void OpenDocument(const std::filesystem::path& file) = 0;
  virtual void OpenUrl(std::string_view url) = 0;
};

}  // namespace varnelo::base
