#pragma once

// What the main window shows of the controller: the nine status lines and the geometry of the
// four pictures. Pure functions of the controller state, so the drawing code only paints.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/actions/assign.h"
#include "core/link/acc_history.h"
#include "core/link/wiimote.h"
#include "core/ui/geometry.h"

namespace kv {

// ----- Status list -----

inline constexpr std::size_t kStatusLineCount = 9;

// A number as the status list writes it: at least three digits, zero-padded on the left, a minus
// sign before the digits ("007", "200", "-150", "-007", "1023").
std::string StatusNumber(int32_t value);

// The nine lines of the status list: cursor state, the newest accelerometer samples, whether each
// IR point is seen, the pointing position and the battery byte.
std::array<std::string, kStatusLineCount> StatusLines(const AccHistories& histories,
                                                      const TWiimote& wiimote, bool cursorOn);

// ----- Picture geometry -----

struct DisplayLine {
  DisplayPoint From;
  DisplayPoint To;
  friend bool operator==(const DisplayLine&, const DisplayLine&) = default;
};

// Sizes of the drawing surfaces.
inline constexpr DisplaySize kControllerPictureSize{51, 212};
inline constexpr DisplaySize kAxisPictureSize{71, 71};
inline constexpr DisplaySize kGraphPictureSize{170, 71};
inline constexpr DisplaySize kIRPictureSize{137, 104};

// Where each button's pressed look sits in the two controller pictures, by button slot. B is on
// the back of the controller, so its pressed look is the centre of the cross.
inline constexpr std::array<DisplayRect, kButtonCount> kButtonRects{{
    {20, 20, 11, 10},   // Up
    {20, 36, 11, 12},   // Down
    {28, 28, 12, 10},   // Right
    {11, 28, 11, 11},   // Left
    {16, 55, 19, 20},   // A
    {20, 28, 10, 10},   // B
    {19, 94, 12, 12},   // Home
    {34, 94, 12, 12},   // Plus
    {5, 94, 12, 12},    // Minus
    {18, 147, 15, 15},  // 1
    {18, 166, 15, 15},  // 2
}};
// LED 1 is lit while the cursor is on; LED 4 always, as the controller's own LEDs show.
inline constexpr DisplayRect kLed1Rect{8, 185, 6, 6};
inline constexpr DisplayRect kLed4Rect{36, 185, 6, 6};

// The rectangles of the pressed picture to copy over the released one, in drawing order:
// the held buttons by slot, then LED 1 (cursor on), then LED 4.
struct LitRects {
  std::array<DisplayRect, kButtonCount + 2> Rects{};
  std::size_t Count = 0;
  const DisplayRect* begin() const { return Rects.data(); }
  const DisplayRect* end() const { return Rects.data() + Count; }
};
LitRects ControllerLitRects(const TWiimote& wiimote, bool cursorOn);

// The tilt indicator: from the picture's centre to ((X - baseX + 128) div 4,
// (Y - baseY + 128) div 4) of the newest X and Y samples.
DisplayLine TiltIndicatorLine(const AccHistories& histories, int32_t baseX, int32_t baseY,
                              DisplaySize picture);

// The graph draws samples 0 to n, n = min(width, 1023), sample i at x = i: n + 1 points (none
// for a negative width).
inline constexpr std::size_t kGraphMaxPoints = AccHistory::kLength;
std::size_t GraphPointCount(int32_t width);

// Height of one graph sample: (sample - base + 128) div 4 for a line centred on its rest value
// (X and Y), sample div 4 for an uncentred one (Z, whose rest value is gravity).
int32_t GraphY(int32_t sample, int32_t base, bool centred);

// Fills `out` with the points of one graph line and returns how many it wrote: GraphPointCount,
// or fewer if `out` is shorter.
std::size_t GraphPolyline(const AccHistory& samples, int32_t base, bool centred, int32_t width,
                          std::span<DisplayPoint> out);

// One IR point in the IR picture: the dot at (x div 8, y div 8) and the top left of its label
// 3 to the left and 5 below.
struct IRMark {
  DisplayPoint Dot;
  DisplayPoint Label;
};
IRMark IRPointMark(int32_t irX, int32_t irY);
// The pointing position's dot.
DisplayPoint IRMidDot(const TWiimote& wiimote);

}  // namespace kv
