#pragma once

#include "base/shell_open_port.h"

namespace varnelo::gui {

// Hands files and URLs to the desktop's default programs (xdg-open through Qt).
class TShellOpen : public base::TShellOpenPort {
public:
  void OpenDocument(const std::filesystem::path& file) override;
  void OpenUrl(std::string_view url) override;
};

}  // namespace varnelo::gui
