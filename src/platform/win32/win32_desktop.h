#pragma once

#include "core/port/desktop.h"

namespace kv::win32_backend {

// The Windows desktop: the system cursor and the monitors of the virtual screen. Every call asks
// the system afresh; none of them keeps state.
class Win32Desktop final : public Desktop {
 public:
  // False when the system refuses (for instance on a desktop that is not the input desktop).
  bool GetCursorPos(Point& position) override;
  // The system keeps the cursor on the desktop. False when the system refuses the move.
  bool SetCursorPos(Point position) override;
  // Whether some monitor contains the point; no monitor is chosen for points between them.
  bool IsOnDisplay(Point point) override;
  // The primary monitor's size from the system metrics; {0, 0} when they are unavailable.
  Size PrimaryDisplaySize() override;
  // The system puts the primary monitor's top-left corner at the desktop's origin.
  Point PrimaryDisplayOrigin() override { return {}; }
};

}  // namespace kv::win32_backend
