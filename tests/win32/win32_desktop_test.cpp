#include "platform/win32/win32_desktop.h"

#include <gtest/gtest.h>

namespace kv::win32_backend {
namespace {

TEST(Win32Desktop, CursorMovesWhereItIsSentAndStaysOnTheDesktop) {
  Win32Desktop desktop;
  const Size screen = desktop.PrimaryDisplaySize();
  ASSERT_GT(screen.Width, 0);
  ASSERT_GT(screen.Height, 0);
  for (const Point target : {Point{10, 20}, Point{screen.Width - 1, screen.Height - 1},
                             Point{screen.Width / 2, 0}, Point{0, 0}}) {
    ASSERT_TRUE(desktop.SetCursorPos(target));
    Point read{-5, -5};
    ASSERT_TRUE(desktop.GetCursorPos(read));
    EXPECT_EQ(read, target);
  }
  // Far off the desktop: the system keeps the cursor on it.
  ASSERT_TRUE(desktop.SetCursorPos({screen.Width + 500, -300}));
  Point read;
  ASSERT_TRUE(desktop.GetCursorPos(read));
  EXPECT_TRUE(desktop.IsOnDisplay(read)) << read.X << "," << read.Y;
}

TEST(Win32Desktop, DisplayEdgesBelongToTheDisplay) {
  Win32Desktop desktop;
  const Size s = desktop.PrimaryDisplaySize();
  const struct {
    Point At;
    bool On;
  } cases[] = {{{0, 0}, true},           {{s.Width - 1, s.Height - 1}, true},
               {{s.Width - 1, 0}, true}, {{-1, 0}, false},
               {{0, -1}, false},         {{s.Width, 0}, false},
               {{0, s.Height}, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(desktop.IsOnDisplay(c.At), c.On) << c.At.X << "," << c.At.Y;
  }
}

}  // namespace
}  // namespace kv::win32_backend
