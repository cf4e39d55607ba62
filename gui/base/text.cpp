#include "gui/base/text.h"

namespace varnelo::gui {

QString ToQ(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string FromQ(const QString& text) { return text.toStdString(); }

QString PathToQ(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

std::filesystem::path PathFromQ(const QString& path) { return std::filesystem::path(path.toStdString()); }

}  // namespace varnelo::gui
