#include "core/ui/status_display.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace kv {
namespace {

TEST(StatusNumber, AtLeastThreeDigitsWithTheSignBeforeThePadding) {
  const struct {
    int32_t value;
    const char* text;
  } cases[] = {
      {0, "000"},
      {7, "007"},
      {42, "042"},
      {200, "200"},
      {1023, "1023"},
      {-7, "-007"},
      {-15, "-015"},
      {-150, "-150"},
      {-1024, "-1024"},
      {INT_MAX, "2147483647"},
      {INT_MIN, "-2147483648"},
  };
  for (const auto& c : cases) EXPECT_EQ(StatusNumber(c.value), c.text) << c.value;
}

TEST(StatusLines, NoControllerShowsZerosAndBothPointsSeen) {
  const std::array<std::string, kStatusLineCount> expected{
      "Cursor:OFF", "AccX:  000", "AccY:  000", "AccZ:  000", "IR 1:  IN",
      "IR 2:  IN",  "IR X:  000", "IR Y:  000", "BATT:  000",
  };
  EXPECT_EQ(StatusLines(AccHistories{}, TWiimote{}, false), expected);
}

TEST(StatusLines, NewestSamplesPointsAndBattery) {
  AccHistories histories;
  histories.X.Push(1);
  histories.X.Push(128);
  histories.Y.Push(99);
  histories.Z.Push(154);
  TWiimote wiimote;
  wiimote.IR1Size = 14;  // the largest size still seen
  wiimote.IR2Size = 15;
  wiimote.IRMidX = -150;
  wiimote.IRMidY = 1100;
  wiimote.Battery = 7;
  const std::array<std::string, kStatusLineCount> expected{
      "Cursor:ON",  "AccX:  128",  "AccY:  099",  "AccZ:  154", "IR 1:  IN",
      "IR 2:  OUT", "IR X:  -150", "IR Y:  1100", "BATT:  007",
  };
  EXPECT_EQ(StatusLines(histories, wiimote, true), expected);
}

TEST(ControllerLitRects, HeldButtonsBySlotThenTheLeds) {
  TWiimote wiimote;
  auto lit = ControllerLitRects(wiimote, false);
  EXPECT_EQ(std::vector<DisplayRect>(lit.begin(), lit.end()), std::vector{kLed4Rect});

  lit = ControllerLitRects(wiimote, true);
  EXPECT_EQ(std::vector<DisplayRect>(lit.begin(), lit.end()), (std::vector{kLed1Rect, kLed4Rect}));

  wiimote.ButtonState[kSlotOne].Pressed = true;
  wiimote.ButtonState[kSlotA].Pressed = true;
  wiimote.ButtonState[kSlotA].PressTime = 1234;
  lit = ControllerLitRects(wiimote, false);
  EXPECT_EQ(std::vector<DisplayRect>(lit.begin(), lit.end()),
            (std::vector<DisplayRect>{{16, 55, 19, 20}, {18, 147, 15, 15}, kLed4Rect}));

  for (auto& state : wiimote.ButtonState) state.Pressed = true;
  lit = ControllerLitRects(wiimote, true);
  ASSERT_EQ(lit.Count, 13u);
  for (int slot = 0; slot < kButtonCount; ++slot) EXPECT_EQ(lit.Rects[slot], kButtonRects[slot]);
  EXPECT_EQ(lit.Rects[kSlotB], (DisplayRect{20, 28, 10, 10}));  // the centre of the cross
  EXPECT_EQ(lit.Rects[11], kLed1Rect);
  EXPECT_EQ(lit.Rects[12], kLed4Rect);
}

TEST(ControllerLitRects, EveryRectangleLiesInsideThePicture) {
  std::vector<DisplayRect> all(kButtonRects.begin(), kButtonRects.end());
  all.push_back(kLed1Rect);
  all.push_back(kLed4Rect);
  for (const auto& r : all) {
    EXPECT_GE(r.Left, 0);
    EXPECT_GE(r.Top, 0);
    EXPECT_LE(r.Left + r.Width, kControllerPictureSize.Width);
    EXPECT_LE(r.Top + r.Height, kControllerPictureSize.Height);
  }
}

TEST(TiltIndicatorLine, FromTheCentreToTheQuarterOfTheOffsetSample) {
  const struct {
    int32_t x, y, baseX, baseY;
    DisplayPoint to;
  } cases[] = {
      {128, 128, 128, 128, {32, 32}},  // at rest
      {255, 0, 128, 128, {63, 0}},     // 255 - 128 + 128 = 255 -> 63
      {0, 0, 140, 135, {-3, -1}},      // -12 / 4 = -3; -7 / 4 truncates to -1, not -2
      {0, 0, 0, 0, {32, 32}},          // no controller yet
      {0, 0, INT_MIN, INT_MAX, {536870944, -536870879}},  // bad rest values do not overflow
  };
  for (const auto& c : cases) {
    AccHistories histories;
    histories.X.Push(c.x);
    histories.Y.Push(c.y);
    const auto line = TiltIndicatorLine(histories, c.baseX, c.baseY, kAxisPictureSize);
    EXPECT_EQ(line.From, (DisplayPoint{35, 35}));
    EXPECT_EQ(line.To, c.to) << c.x << "," << c.y;
  }
}

TEST(GraphPolyline, NewestSampleAtTheLeftEdgeAndOneMorePointThanTheWidth) {
  EXPECT_EQ(GraphPointCount(170), 171u);
  EXPECT_EQ(GraphPointCount(1023), 1024u);
  EXPECT_EQ(GraphPointCount(5000), 1024u);
  EXPECT_EQ(GraphPointCount(0), 1u);
  EXPECT_EQ(GraphPointCount(-1), 0u);

  AccHistories histories;
  for (int32_t s : {200, 100, 3, 0}) histories.X.Push(s);  // sample 0 is 0, sample 3 is 200
  std::array<DisplayPoint, kGraphMaxPoints> points;
  ASSERT_EQ(GraphPolyline(histories.X, 135, true, 170, points), 171u);
  EXPECT_EQ(points[0], (DisplayPoint{0, -1}));      // (0 - 135 + 128) / 4 = -7 / 4 -> -1
  EXPECT_EQ(points[1], (DisplayPoint{1, -1}));      // -4 / 4
  EXPECT_EQ(points[2], (DisplayPoint{2, 23}));      // 93 / 4
  EXPECT_EQ(points[3], (DisplayPoint{3, 48}));      // 193 / 4
  EXPECT_EQ(points[170], (DisplayPoint{170, -1}));  // never pushed: still 0

  ASSERT_EQ(GraphPolyline(histories.X, 135, false, 170, points), 171u);
  EXPECT_EQ(points[3], (DisplayPoint{3, 50}));  // uncentred: 200 / 4, the rest value unused
  EXPECT_EQ(points[0], (DisplayPoint{0, 0}));

  // A shorter buffer takes only what fits; a huge width stops at the history's length.
  EXPECT_EQ(GraphPolyline(histories.X, 0, true, 170, std::span(points).first(10)), 10u);
  EXPECT_EQ(GraphPolyline(histories.X, 0, true, INT_MAX, points), 1024u);
  EXPECT_EQ(points[1023], (DisplayPoint{1023, 32}));
  EXPECT_EQ(GraphY(-1, 0, false), 0);  // truncation towards zero
  EXPECT_EQ(GraphY(0, INT_MIN, true), 536870944);
}

TEST(IRMarks, EighthOfTheCoordinatesWithTheLabelBelowLeft) {
  EXPECT_EQ(IRPointMark(272, 32).Dot, (DisplayPoint{34, 4}));
  EXPECT_EQ(IRPointMark(272, 32).Label, (DisplayPoint{31, 9}));
  // An unseen point has every bit set and lies below the 104-pixel picture.
  EXPECT_EQ(IRPointMark(1023, 1023).Dot, (DisplayPoint{127, 127}));
  EXPECT_GE(IRPointMark(1023, 1023).Dot.Y, kIRPictureSize.Height);

  TWiimote wiimote;
  wiimote.IRMidX = -150;  // -18.75 truncates to -18
  wiimote.IRMidY = -7;
  EXPECT_EQ(IRMidDot(wiimote), (DisplayPoint{-18, 0}));
  wiimote.IRMidX = 416;
  wiimote.IRMidY = 304;
  EXPECT_EQ(IRMidDot(wiimote), (DisplayPoint{52, 38}));
}

}  // namespace
}  // namespace kv
