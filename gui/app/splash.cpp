#include "gui/app/splash.h"

#include <QApplication>
#include <QBitmap>
#include <QPainter>
#include <QScreen>

#include "gui/base/logo.h"

namespace varnelo::gui {

TSplash::TSplash(QPixmap picture)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(std::move(picture)) {
  setObjectName("Splash");
  setAttribute(Qt::WA_TranslucentBackground);
  setFixedSize(picture_.size());
  setMask(Shape(picture_));
}

QRegion TSplash::Shape(const QPixmap& picture) {
  return QRegion(LogoMask(picture));
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
