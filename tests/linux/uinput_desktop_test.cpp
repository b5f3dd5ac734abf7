// The Wayland desktop: the program keeps the pointer position itself and places the pointer
// with absolute events. A fake compositor below turns those events back into pixels the way
// libinput scales them onto the layout's bounding box, so the tests check the whole path: the
// pointer control's moves, the absolute values, and where the pointer really lands.
#include "platform/linux/uinput_desktop.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <cmath>

#include "core/pointer/pointer_test_rig.h"
#include "linux/recording_uinput_channel.h"

namespace kv::linux_backend {
namespace {

using test::UinputRecord;

// Where a compositor puts the pointer for the absolute events written so far: libinput's
// transform (value × extent ÷ (max + 1)) onto the bounding box, the integer part as the pixel.
class FakeCompositor {
 public:
  FakeCompositor(std::shared_ptr<UinputRecord> record, DisplayRect box)
      : record_(std::move(record)), box_(box) {}
  Point Pointer() {
    for (; read_ < record_->Events.size(); ++read_) {
      const input_event& e = record_->Events[read_];
      if (e.type != EV_ABS) continue;
      const bool x = e.code == ABS_X;
      const double pixel = std::floor(double(e.value) * (x ? box_.Width : box_.Height) /
                                      (double(kAbsoluteAxisMax) + 1));
      (x ? pointer_.X : pointer_.Y) = (x ? box_.X : box_.Y) + static_cast<int32_t>(pixel);
    }
    return pointer_;
  }

 private:
  std::shared_ptr<UinputRecord> record_;
  DisplayRect box_;
  std::size_t read_ = 0;
  Point pointer_{-1, -1};
};

// Where Xorg's libinput driver puts the pointer: libinput scales the value onto the driver's
// axis of 0..65535, the server that axis onto the screen, and keeps the integer part.
double XorgPixel(int32_t value, int32_t extent) {
  const double axis = double(value) * 65535 / (double(kAbsoluteAxisMax) + 1);
  return std::floor(axis * extent / 65536);
}

TEST(UinputDesktopTest, AbsoluteValuesLandOnEveryPixelExactly) {
  for (int32_t extent : {640, 800, 1080, 1280, 1366, 2560, 3840, 5760, 16384, 16385, 32768}) {
    int32_t previous = -1;
    for (int32_t offset = 0; offset < extent; ++offset) {
      const int32_t value = AbsoluteAxisValue(offset, extent);
      ASSERT_GT(value, previous) << extent << " " << offset;
      ASSERT_LE(value, kAbsoluteAxisMax);
      const double landed = std::floor(double(value) * extent / (double(kAbsoluteAxisMax) + 1));
      ASSERT_EQ(landed, offset) << "extent " << extent << " value " << value;
      if (extent <= (kAbsoluteAxisMax + 1) / 2) {
        ASSERT_EQ(XorgPixel(value, extent), offset) << "Xorg, extent " << extent;
      }
      previous = value;
    }
  }
  // Off the bounding box (never asked for by the desktop, which holds points on it first).
  EXPECT_EQ(AbsoluteAxisValue(-3, 1280), 0);
  EXPECT_EQ(AbsoluteAxisValue(5000, 1280), kAbsoluteAxisMax);
  EXPECT_EQ(AbsoluteAxisValue(10, 0), 0);
}

TEST(UinputDesktopTest, PointsOffTheDesktopGoToTheNearestDisplayPoint) {
  // A wide primary display and a smaller one to its right, aligned at the top: the corner
  // below the small one is on no display.
  const DesktopLayout layout = {{0, 0, 1920, 1080}, {1920, 0, 1280, 800}};
  EXPECT_EQ(NearestPointOnLayout(layout, {2500, 850}), (Point{2500, 799}));
  EXPECT_EQ(NearestPointOnLayout(layout, {2000, 900}), (Point{1919, 900}));
  EXPECT_EQ(NearestPointOnLayout(layout, {1950, 1000}), (Point{1919, 1000}));
  EXPECT_EQ(NearestPointOnLayout(layout, {-50, -50}), (Point{0, 0}));
  EXPECT_EQ(NearestPointOnLayout(layout, {5000, 300}), (Point{3199, 300}));
  EXPECT_EQ(NearestPointOnLayout(layout, {100, 100}), (Point{100, 100}));
  EXPECT_EQ(NearestPointOnLayout({}, {1, 1}), std::nullopt);
  EXPECT_EQ(NearestPointOnLayout({{0, 0, 0, 0}}, {1, 1}), std::nullopt);
}

TEST(UinputDesktopTest, WithoutALayoutNothingIsKnownOrMoved) {
  auto record = std::make_shared<UinputRecord>();
  DesktopLayout empty;
  UinputDesktop desktop(test::RecordedDevice(UinputKind::AbsolutePointer, record),
                        [&empty]() -> const DesktopLayout& { return empty; });
  Point p{7, 7};
  EXPECT_FALSE(desktop.GetCursorPos(p));
  EXPECT_EQ(p, (Point{7, 7}));
  EXPECT_FALSE(desktop.SetCursorPos({10, 10}));
  EXPECT_FALSE(desktop.IsOnDisplay({10, 10}));
  EXPECT_EQ(desktop.PrimaryDisplaySize(), (Size{0, 0}));
  EXPECT_TRUE(record->Events.empty());
}

// The same pointer control twice: once on the in-memory desktop that behaves like X11 (the
// system keeps the cursor and holds it on the desktop), once on the uinput desktop with the
// fake compositor. Every tick must leave the pointer at the same pixel with the same rumble.
class SameAsX11 : public ::testing::TestWithParam<std::vector<sim::DisplayRect>> {
 protected:
  SameAsX11() : x11(GetParam()) {
    for (const sim::DisplayRect& r : GetParam()) layout_.push_back({r.X, r.Y, r.Width, r.Height});
    DisplayRect box{};
    int32_t right = 0, bottom = 0;
    for (const DisplayRect& r : layout_) {
      box.X = std::min(box.X, r.X);
      box.Y = std::min(box.Y, r.Y);
      right = std::max(right, r.X + r.Width);
      bottom = std::max(bottom, r.Y + r.Height);
    }
    box.Width = right - box.X;
    box.Height = bottom - box.Y;
    compositor_ = std::make_unique<FakeCompositor>(record_, box);
    // Both start with the pointer in the middle of the primary display, the uinput desktop by
    // its first move (before that, where the pointer is is unknown to it).
    const sim::DisplayRect& primary = GetParam().front();
    const Point middle{primary.X + primary.Width / 2, primary.Y + primary.Height / 2};
    x11.desktop.PlaceCursor(middle);
    EXPECT_TRUE(desktop_.SetCursorPos(middle));
  }

  // Runs `ticks` pointer ticks (and cursor-step ticks) on both, comparing after each.
  void Run(int ticks, const std::function<void(test::PointerInputs&)>& input) {
    for (int i = 0; i < ticks; ++i) {
      input(x11);
      input(uinput);
      x11.pointer.MotionTimerTimer();
      uinputPointer.MotionTimerTimer();
      x11.pointer.CursorTimerTimer();
      uinputPointer.CursorTimerTimer();
      Point own;
      ASSERT_TRUE(desktop_.GetCursorPos(own));
      ASSERT_EQ(own, x11.desktop.Cursor()) << "tick " << i;
      ASSERT_EQ(compositor_->Pointer(), x11.desktop.Cursor()) << "tick " << i;
      ASSERT_EQ(uinput.output.Sent, x11.output.Sent) << "tick " << i;
    }
  }

  test::PointerRig x11;
  test::PointerInputs uinput;
  std::shared_ptr<UinputRecord> record_ = std::make_shared<UinputRecord>();
  DesktopLayout layout_;
  UinputDesktop desktop_{test::RecordedDevice(UinputKind::AbsolutePointer, record_),
                         [this]() -> const DesktopLayout& { return layout_; }};
  std::unique_ptr<FakeCompositor> compositor_;
  PointerControl uinputPointer{uinput.settings, uinput.wiimote, uinput.acc,        uinput.clock,
                               desktop_,        uinput.output,  uinput.motionTimer};
};

TEST_P(SameAsX11, TiltRunsIntoTheCornersWithTheSameRumble) {
  x11.pointer.CursorOn();
  uinputPointer.CursorOn();
  // Up and left until well past the corner, then down and right across the whole layout.
  ASSERT_NO_FATAL_FAILURE(Run(400, [](test::PointerInputs& in) {
    in.Tilt(-20, -15);
    in.clock.Advance(10);
  }));
  ASSERT_NO_FATAL_FAILURE(Run(900, [](test::PointerInputs& in) {
    in.Tilt(25, 9);
    in.clock.Advance(10);
  }));
}

TEST_P(SameAsX11, IRPointingSettlesOnTheSameTargets) {
  x11.pointer.CursorOn();
  uinputPointer.CursorOn();
  for (auto [irX, irY] : {std::pair{512, 383}, {0, 0}, {1023, 765}, {300, 700}, {800, 100}}) {
    ASSERT_NO_FATAL_FAILURE(Run(60, [irX, irY](test::PointerInputs& in) {
      in.settings.CursorMode = "IR";
      in.wiimote.IRMidX = irX;
      in.wiimote.IRMidY = irY;
      in.clock.Advance(10);
    }));
  }
}

TEST_P(SameAsX11, CursorStepsGlideTheSameWay) {
  ASSERT_NO_FATAL_FAILURE(Run(40, [](test::PointerInputs& in) {
    in.Hold(0, "Mouse->Cursor Up");
    in.Hold(2, "Mouse->Cursor Right");
  }));
  ASSERT_NO_FATAL_FAILURE(Run(10, [](test::PointerInputs& in) {
    in.wiimote.ButtonState[0].Pressed = false;
    in.wiimote.ButtonState[2].Pressed = false;
  }));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SameAsX11,
    ::testing::Values(test::kOneDisplay, test::kSideBySide, test::kLeftOfPrimary,
                      std::vector<sim::DisplayRect>{{0, 0, 1280, 800}, {1280, 0, 1920, 1080}}));

}  // namespace
}  // namespace kv::linux_backend
