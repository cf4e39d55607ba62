// The program's pictures, as the window loads them: the compiled-in resources and the home template's
// icons.
#include <QColor>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/home_directory.h"

namespace varnelo::gui {
namespace {

constexpr QRgb kCutColour = 0x336633;

QImage Load(const char* name) { return QImage(QString(":/varnelo/") + name).convertToFormat(QImage::Format_ARGB32); }

int Distance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

TEST(PicturesTest, TheLogoIsCutOutAlongAHardEdge) {
  const QImage logo = Load("logo.png");
  ASSERT_EQ(logo.size(), QSize(400, 250));
  for (const QPoint corner : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 249), QPoint(399, 249)}) {
    EXPECT_EQ(logo.pixel(corner) & 0xFFFFFF, kCutColour);
  }
  EXPECT_NE(logo.pixel(200, 125) & 0xFFFFFF, kCutColour);
  // A pixel beside the cut colour is either the cut colour exactly or clearly something else: a blend
  // of the two would stay behind as a fringe once the colour is cut out.
  auto isCut = [&](int x, int y) { return logo.valid(x, y) && (logo.pixel(x, y) & 0xFFFFFF) == kCutColour; };
  int cut = 0;
  for (int y = 0; y < logo.height(); ++y) {
    for (int x = 0; x < logo.width(); ++x) {
      EXPECT_EQ(qAlpha(logo.pixel(x, y)), 255);
      if (isCut(x, y)) {
        ++cut;
      } else if (isCut(x - 1, y) || isCut(x + 1, y) || isCut(x, y - 1) || isCut(x, y + 1)) {
        EXPECT_GT(Distance(logo.pixel(x, y), kCutColour), 40) << x << "," << y;
      }
    }
  }
  EXPECT_GT(cut, 0);
  EXPECT_LT(cut, logo.width() * logo.height() / 4);
}

TEST(PicturesTest, EachPictureHasItsSize) {
  const struct {
    const char* name;
    int size;
  } cases[] = {{"app.png", 64}, {"tray_idle.png", 22}, {"tray_running.png", 22},
               {"led_off.png", 14}, {"led_on.png", 14}, {"default_icon.png", 16}};
  for (const auto& c : cases) EXPECT_EQ(Load(c.name).size(), QSize(c.size, c.size)) << c.name;
}

TEST(PicturesTest, TheTrayIconsDifferClearly) {
  const QImage idle = Load("tray_idle.png");
  const QImage running = Load("tray_running.png");
  ASSERT_EQ(idle.size(), running.size());
  int different = 0;
  for (int y = 0; y < idle.height(); ++y) {
    for (int x = 0; x < idle.width(); ++x) different += Distance(idle.pixel(x, y), running.pixel(x, y)) > 60;
  }
  EXPECT_GT(different, idle.width() * idle.height() / 10);
}

TEST(PicturesTest, TheLedIsGreyWhenOffAndGreenWhenOn) {
  const QRgb off = Load("led_off.png").pixel(7, 7);
  const QRgb on = Load("led_on.png").pixel(7, 7);
  EXPECT_LE(Distance(off, qRgb(qGray(off), qGray(off), qGray(off))), 12);
  EXPECT_GT(qGreen(on), qRed(on) + 60);
  EXPECT_GT(qGreen(on), qBlue(on) + 60);
}

TEST(PicturesTest, TheTemplateIconsLoadThroughTheIcoReader) {
  for (const char* name : {"google.ico", "recherche.ico"}) {
    const QImage icon(QString::fromStdString((platform::FindTemplate() / "favicon" / name).string()));
    ASSERT_FALSE(icon.isNull()) << name;
    EXPECT_GE(icon.width(), 16) << name;
    EXPECT_EQ(icon.width(), icon.height()) << name;
  }
}

}  // namespace
}  // namespace varnelo::gui
