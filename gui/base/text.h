#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <QString>

namespace varnelo::gui {

// The core's text is UTF-8 bytes; widgets take QString. These are the only crossings.
QString ToQ(std::string_view text);
std::string FromQ(const QString& text);
QString PathToQ(const std::filesystem::path& path);
std::filesystem::path PathFromQ(const QString& path);

}  // namespace varnelo::gui
