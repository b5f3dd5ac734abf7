#pragma once

// Points, sizes and rectangles in pixels, as the windows and the drawing surfaces use them.

#include <cstdint>

namespace kv {

struct DisplayPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const DisplayPoint&, const DisplayPoint&) = default;
};

struct DisplaySize {
  int32_t Width = 0;
  int32_t Height = 0;
  friend bool operator==(const DisplaySize&, const DisplaySize&) = default;
};

struct DisplayRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  friend bool operator==(const DisplayRect&, const DisplayRect&) = default;
};

}  // namespace kv
