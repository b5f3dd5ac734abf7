#include <gtest/gtest.h>

#include <QImage>
#include <QString>

namespace {

struct Rect {
  const char* Name;
  int Left, Top, Width, Height;
  bool Contains(int x, int y) const {
    return x >= Left && x < Left + Width && y >= Top && y < Top + Height;
  }
};

// Where the main window copies each element from the pressed picture onto the released one.
constexpr Rect kElements[] = {
    {"Up", 20, 20, 11, 10},   {"Down", 20, 36, 11, 12}, {"Right", 28, 28, 12, 10},
    {"Left", 11, 28, 11, 11}, {"A", 16, 55, 19, 20},    {"B", 20, 28, 10, 10},
    {"Home", 19, 94, 12, 12}, {"Plus", 34, 94, 12, 12}, {"Minus", 5, 94, 12, 12},
    {"1", 18, 147, 15, 15},   {"2", 18, 166, 15, 15},   {"LED1", 8, 185, 6, 6},
    {"LED2", 17, 185, 6, 6},  {"LED3", 27, 185, 6, 6},  {"LED4", 36, 185, 6, 6},
};
constexpr QRgb kKey = qRgb(255, 0, 255);

QImage Load(const char* name) {
  return QImage(QString(KV_RESOURCES_DIR "/") + name).convertToFormat(QImage::Format_ARGB32);
}

class ControllerPictures : public ::testing::Test {
 protected:
  QImage up = Load("WiiButtonsUp.png");
  QImage down = Load("WiiButtonsDown.png");
};

TEST_F(ControllerPictures, SameSizeAndTransparentCorners) {
  for (const QImage* image : {&up, &down}) {
    ASSERT_EQ(image->size(), QSize(51, 212));
    for (const QPoint corner : {QPoint(0, 0), QPoint(50, 0), QPoint(0, 211), QPoint(50, 211)}) {
      EXPECT_EQ(image->pixel(corner), kKey);
    }
  }
}

// Pressing one element changes only that element's rectangle, and every element has a
// clearly visible pressed look.
TEST_F(ControllerPictures, PressedLooksStayInTheirOwnRectangles) {
  ASSERT_EQ(up.size(), down.size());
  int changed[std::size(kElements)] = {};
  for (int y = 0; y < up.height(); ++y) {
    for (int x = 0; x < up.width(); ++x) {
      int owners = 0;
      for (size_t i = 0; i < std::size(kElements); ++i) {
        const bool inside = kElements[i].Contains(x, y);
        if (inside) {
          EXPECT_NE(up.pixel(x, y), kKey) << kElements[i].Name << " at " << x << "," << y;
          EXPECT_NE(down.pixel(x, y), kKey) << kElements[i].Name << " at " << x << "," << y;
        }
        if (inside && up.pixel(x, y) != down.pixel(x, y)) {
          ++owners;
          ++changed[i];
        }
      }
      if (up.pixel(x, y) != down.pixel(x, y)) {
        EXPECT_EQ(owners, 1) << "changed pixel " << x << "," << y;
      }
    }
  }
  for (size_t i = 0; i < std::size(kElements); ++i) {
    const Rect& r = kElements[i];
    EXPECT_GE(changed[i], r.Width * r.Height / 4) << r.Name;
  }
}

TEST(ApplicationIcon, EverySizeIsSquareWithTransparentCorners) {
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QImage icon = Load(QString("kestrovane-%1.png").arg(size).toUtf8().constData());
    ASSERT_EQ(icon.size(), QSize(size, size)) << size;
    EXPECT_TRUE(icon.hasAlphaChannel());
    EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << size;
    if (size >= 32) {
      EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << size;
    }
  }
}

}  // namespace
