#pragma once

#include <cstdint>

#include "core/port/input_injector.h"

namespace kv::win32_backend {

// Synthetic input through keybd_event and mouse_event. Keys go out as plain virtual-key codes:
// no scan code and never the extended-key flag, so the system derives both from the layout.
// Mouse events happen at the current cursor position.
class Win32InputInjector final : public InputInjector {
 public:
  void KeyEvent(uint8_t virtualKey, bool down) override;
  void MouseButtonEvent(MouseButton button, bool down) override;
  // One wheel event carrying `delta` as it is (120 per notch; positive turns away from the user).
  void MouseWheel(int32_t delta) override;
};

// The mouse_event flag of a button press or release.
uint32_t MouseEventFlag(MouseButton button, bool down);

}  // namespace kv::win32_backend
