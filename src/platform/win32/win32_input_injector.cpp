#include "platform/win32/win32_input_injector.h"

#include <windows.h>

namespace kv::win32_backend {

uint32_t MouseEventFlag(MouseButton button, bool down) {
  switch (button) {
    case MouseButton::Left:
      return down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    case MouseButton::Right:
      return down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
    case MouseButton::Middle:
      return down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
  }
  return 0;
}

void Win32InputInjector::KeyEvent(uint8_t virtualKey, bool down) {
  keybd_event(virtualKey, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
}

void Win32InputInjector::MouseButtonEvent(MouseButton button, bool down) {
  const uint32_t flag = MouseEventFlag(button, down);
  if (flag != 0) mouse_event(flag, 0, 0, 0, 0);
}

void Win32InputInjector::MouseWheel(int32_t delta) {
  // The wheel amount travels in the unsigned data word as the two's complement of a signed one.
  mouse_event(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(delta), 0);
}

}  // namespace kv::win32_backend
