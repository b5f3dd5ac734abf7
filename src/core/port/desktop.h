#pragma once

#include <cstdint>

namespace kv {

struct Point {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int32_t Width = 0;
  int32_t Height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// The desktop as the pointer control sees it: the system cursor and the layout of the displays.
// Coordinates are absolute desktop pixels; displays left of or above the primary one have
// negative coordinates.
class Desktop {
 public:
  virtual ~Desktop() = default;

  // Reads the cursor position into `position`. Returns false (leaving `position` unchanged)
  // when the position cannot be read.
  virtual bool GetCursorPos(Point& position) = 0;

  // Moves the cursor; the system keeps it on the desktop. Returns false when the move failed.
  virtual bool SetCursorPos(Point position) = 0;

  // Whether `point` lies on some display. Returns false when the layout is unknown.
  virtual bool IsOnDisplay(Point point) = 0;

  // Width and height of the primary display in pixels; {0, 0} when unknown.
  virtual Size PrimaryDisplaySize() = 0;

  // Top-left corner of the primary display in desktop pixels; {0, 0} when unknown.
  virtual Point PrimaryDisplayOrigin() = 0;
};

}  // namespace kv
