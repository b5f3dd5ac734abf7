#include "core/ui/status_display.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace kv {
namespace {

TEST(StatusNumber, AtLeastThreeDigitsWithTheSignBeforeThePadding) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "000"},   {7, "007"},     {200, "200"},     {1023, "1023"},
      {-7, "-007"}, {-150, "-150"}, {-1024, "-1024"}, {INT_MIN, "-2147483648"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(StatusNumber(value), text) << value;
}

TEST(ControllerLitRects, HeldButtonsBySlotThenTheLeds) {
  TWiimote wiimote;
  auto lit = ControllerLitRects(wiimote, false);
  EXPECT_EQ(std::vector<DisplayRect>(lit.begin(), lit.end()), std::vector{kLed4Rect});

  wiimote.ButtonState[kSlotOne].Pressed = true;
  wiimote.ButtonState[kSlotA].Pressed = true;
  lit = ControllerLitRects(wiimote, true);
  EXPECT_EQ(std::vector<DisplayRect>(lit.begin(), lit.end()),
            (std::vector<DisplayRect>{{16, 55, 19, 20}, {18, 147, 15, 15}, kLed1Rect, kLed4Rect}));

  for (auto& state : wiimote.ButtonState) state.Pressed = true;
  lit = ControllerLitRects(wiimote, true);
  ASSERT_EQ(lit.Count, 13u);
  for (int slot = 0; slot < kButtonCount; ++slot) EXPECT_EQ(lit.Rects[slot], kButtonRects[slot]);
}

TEST(TiltIndicatorLine, FromTheCentreToTheQuarterOfTheOffsetSample) {
  const struct {
    int32_t x, y, baseX, baseY;
    DisplayPoint to;
  } cases[] = {
      {128, 128, 128, 128, {32, 32}},                     // at rest
      {255, 0, 128, 128, {63, 0}},                        // 255 / 4, 0 / 4
      {0, 0, 140, 135, {-3, -1}},                         // -7 / 4 truncates to -1, not -2
      {0, 0, INT_MIN, INT_MAX, {536870944, -536870879}},  // no overflow on bad rest values
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

TEST(GraphPolyline, NewestSampleAtTheLeftAndOneMorePointThanTheWidth) {
  EXPECT_EQ(GraphPointCount(170), 171u);
  EXPECT_EQ(GraphPointCount(5000), 1024u);
  EXPECT_EQ(GraphPointCount(-1), 0u);

  AccHistories histories;
  for (int32_t s : {200, 100, 3, 0}) histories.X.Push(s);  // sample 0 is 0, sample 3 is 200
  std::array<DisplayPoint, kGraphMaxPoints> points;
  ASSERT_EQ(GraphPolyline(histories.X, 135, true, 170, points), 171u);
  EXPECT_EQ(points[0], (DisplayPoint{0, -1}));  // -7 / 4
  EXPECT_EQ(points[2], (DisplayPoint{2, 23}));  // 93 / 4
  EXPECT_EQ(points[3], (DisplayPoint{3, 48}));
  EXPECT_EQ(points[170], (DisplayPoint{170, -1}));
  ASSERT_EQ(GraphPolyline(histories.X, 135, false, 170, points), 171u);
  EXPECT_EQ(points[3], (DisplayPoint{3, 50}));  // uncentred: the rest value is not used

  // A short buffer takes what fits; a huge width stops at the history's length.
  EXPECT_EQ(GraphPolyline(histories.X, 0, true, 170, std::span(points).first(10)), 10u);
  EXPECT_EQ(GraphPolyline(histories.X, 0, true, INT_MAX, points), 1024u);
}

TEST(IRMarks, EighthOfTheCoordinatesWithTheLabelBelowLeft) {
  EXPECT_EQ(IRPointMark(272, 32).Dot, (DisplayPoint{34, 4}));
  EXPECT_EQ(IRPointMark(272, 32).Label, (DisplayPoint{31, 9}));
  EXPECT_EQ(IRPointMark(1023, 1023).Dot, (DisplayPoint{127, 127}));  // unseen: below the picture
  TWiimote wiimote;
  wiimote.IRMidX = -150;  // -18.75 truncates to -18
  wiimote.IRMidY = 304;
  EXPECT_EQ(IRMidDot(wiimote), (DisplayPoint{-18, 38}));
}

}  // namespace
}  // namespace kv
