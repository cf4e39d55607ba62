#pragma once

#include <QPixmap>
#include <QRegion>
#include <QWidget>

namespace varnelo::gui {

// The start-up picture: borderless, centred, and shaped by the picture, whose pixels of colour
// 0x336633 are cut out of the window.
class TSplash : public QWidget {
  Q_OBJECT
public:
  explicit TSplash(QPixmap picture);

  // What remains of the picture's rectangle once every pixel of the cut colour is taken out.
  static QRegion Shape(const QPixmap& picture);
  // Shows the window centred on the primary screen and paints it now.
  void ShowAndPaint();

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QPixmap picture_;
};

}  // namespace varnelo::gui
