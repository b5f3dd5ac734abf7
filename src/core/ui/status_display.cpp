#include "core/ui/status_display.h"

#include <algorithm>
#include <cstdio>

namespace kv {

namespace {

// Every label ends in two blanks before its value.
std::string Labelled(const char* label, int32_t value) { return label + StatusNumber(value); }

const char* SeenText(int32_t size) { return size < kIRPointUnseen ? "  IN" : "  OUT"; }

// Each quotient is taken in 64 bits: rest values come from the profile file and may be anything,
// and C++ division truncates towards zero as the display expects. |quotient| < 2^31 always.
int32_t Quarter(int64_t value) { return static_cast<int32_t>(value / 4); }

}  // namespace

std::string StatusNumber(int32_t value) {
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%.3d", static_cast<int>(value));
  return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::array<std::string, kStatusLineCount> StatusLines(const AccHistories& histories,
                                                      const TWiimote& wiimote, bool cursorOn) {
  return {
      cursorOn ? "Cursor:ON" : "Cursor:OFF",
      Labelled("AccX:  ", histories.X[0]),
      Labelled("AccY:  ", histories.Y[0]),
      Labelled("AccZ:  ", histories.Z[0]),
      std::string("IR 1:") + SeenText(wiimote.IR1Size),
      std::string("IR 2:") + SeenText(wiimote.IR2Size),
      Labelled("IR X:  ", wiimote.IRMidX),
      Labelled("IR Y:  ", wiimote.IRMidY),
      Labelled("BATT:  ", wiimote.Battery),
  };
}

LitRects ControllerLitRects(const TWiimote& wiimote, bool cursorOn) {
  LitRects lit;
  for (int slot = 0; slot < kButtonCount; ++slot) {
    if (wiimote.ButtonState[slot].Pressed) lit.Rects[lit.Count++] = kButtonRects[slot];
  }
  if (cursorOn) lit.Rects[lit.Count++] = kLed1Rect;
  lit.Rects[lit.Count++] = kLed4Rect;
  return lit;
}

DisplayLine TiltIndicatorLine(const AccHistories& histories, int32_t baseX, int32_t baseY,
                              DisplaySize picture) {
  return {{picture.Width / 2, picture.Height / 2},
          {GraphY(histories.X[0], baseX, true), GraphY(histories.Y[0], baseY, true)}};
}

std::size_t GraphPointCount(int32_t width) {
  if (width < 0) return 0;
  return static_cast<std::size_t>(std::min(width, 1023)) + 1;
}

int32_t GraphY(int32_t sample, int32_t base, bool centred) {
  if (!centred) return Quarter(sample);
  return Quarter(int64_t{sample} - base + 128);
}

std::size_t GraphPolyline(const AccHistory& samples, int32_t base, bool centred, int32_t width,
                          std::span<DisplayPoint> out) {
  const std::size_t count = std::min(GraphPointCount(width), out.size());
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = {static_cast<int32_t>(i), GraphY(samples[i], base, centred)};
  }
  return count;
}

IRMark IRPointMark(int32_t irX, int32_t irY) {
  const DisplayPoint dot{irX / 8, irY / 8};
  return {dot, {dot.X - 3, dot.Y + 5}};
}

DisplayPoint IRMidDot(const TWiimote& wiimote) { return {wiimote.IRMidX / 8, wiimote.IRMidY / 8}; }

}  // namespace kv
