#pragma once

#include <QBitmap>
#include <QPixmap>

namespace varnelo::gui {

// The program's logo stands on the colour 0x336633, which is not part of the picture: the mask keeps
// every other pixel.
QBitmap LogoMask(const QPixmap& logo);
// The logo with that colour made transparent, for drawing it inside a window.
QPixmap CutOutLogo(QPixmap logo);

}  // namespace varnelo::gui
