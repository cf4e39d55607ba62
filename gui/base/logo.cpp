#include "gui/base/logo.h"

#include <QColor>

namespace varnelo::gui {

QBitmap LogoMask(const QPixmap& logo) { return logo.createMaskFromColor(QColor(0x33, 0x66, 0x33), Qt::MaskInColor); }

QPixmap CutOutLogo(QPixmap logo) {
  logo.setMask(LogoMask(logo));
  return logo;
}

}  // namespace varnelo::gui
