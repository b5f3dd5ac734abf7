#pragma once

#include <cstdint>

namespace kv {

enum class MouseButton { Left, Right, Middle };

// Synthetic keyboard and mouse input. Events are delivered in call order, at the current
// cursor position, without delay. None of these calls reports failure: an event the system
// refuses is lost, as with the platform's own injection calls.
class InputInjector {
 public:
  virtual ~InputInjector() = default;

  // Presses (down = true) or releases one key, named by its virtual-key code (0x10 Shift,
  // 0x11 Ctrl, 0x12 Alt, 0x5B the Windows key, 0x41 'A', ...).
  virtual void KeyEvent(uint8_t virtualKey, bool down) = 0;

  // Presses or releases a mouse button.
  virtual void MouseButtonEvent(MouseButton button, bool down) = 0;

  // Turns the wheel by `delta` (120 = one notch away from the user, -120 one notch toward).
  virtual void MouseWheel(int32_t delta) = 0;
};

}  // namespace kv
