#pragma once

namespace kv {

// What button dispatch needs of the pointer control: switching the motion cursor and the
// speed-button flag that selects the other cursor speed while held.
class CursorSwitch {
 public:
  virtual ~CursorSwitch() = default;
  virtual void CursorOn() = 0;
  virtual void CursorOff() = 0;
  // Whether the pointer tick was already running at the last CursorOn (cleared by CursorOff).
  virtual bool CursorWasOn() const = 0;
  virtual void SetSpeedButtonHeld(bool held) = 0;
};

}  // namespace kv
