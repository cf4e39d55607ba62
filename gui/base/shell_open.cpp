#include "gui/base/shell_open.h"

#include <QDesktopServices>
#include <QUrl>

#include "gui/base/text.h"

namespace varnelo::gui {

void TShellOpen::OpenDocument(const std::filesystem::path& file) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(PathToQ(file)));
}

void TShellOpen::OpenUrl(std::string_view url) {
  QDesktopServices::openUrl(QUrl(ToQ(url), QUrl::TolerantMode));
}

}  // namespace varnelo::gui
