#include "gui/app/splash.h"

#include <QApplication>
#include <QBitmap>
#include <QPainter>
#include <QScreen>

namespace varnelo::gui {
namespace {

const QColor kCutColour(0x33, 0x66, 0x33);

}  // namespace

TSplash::TSplash(QPixmap picture)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(std::move(picture)) {
  setObjectName("Splash");
  setAttribute(Qt::WA_TranslucentBackground);
  setFixedSize(picture_.size());
  setMask(Shape(picture_));
}

QRegion TSplash::Shape(const QPixmap& picture) {
  return QRegion(picture.createMaskFromColor(kCutColour, Qt::MaskInColor));
}

void TSplash::ShowAndPaint() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  show();
  repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TSplash::paintEvent(QPaintEvent*) { QPainter(this).drawPixmap(0, 0, picture_); }

}  // namespace varnelo::gui
