#pragma once

#include <filesystem>
#include <string_view>

#include "base/log_port.h"
#include "base/shell_open_port.h"

namespace varnelo::cli {

// The command line opens nothing: it logs "open " and the file or URL the user's program would get.
class TCliShellOpen : public base::TShellOpenPort {
public:
  explicit TCliShellOpen(base::TLogPort& log) : log_(log) {}
  void OpenDocument(const std::filesystem::path& file) override;
  void OpenUrl(std::string_view url) override;

private:
  base::TLogPort& log_;
};

}  // namespace varnelo::cli
