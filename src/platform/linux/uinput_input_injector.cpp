#include "platform/linux/uinput_input_injector.h"

#include "platform/linux/evdev_keys.h"

namespace kv::linux_backend {
namespace {

constexpr int32_t kWheelNotch = 120;

uint16_t ButtonCode(MouseButton button) {
  switch (button) {
    case MouseButton::Left:
      return BTN_LEFT;
    case MouseButton::Middle:
      return BTN_MIDDLE;
    case MouseButton::Right:
      return BTN_RIGHT;
  }
  return BTN_LEFT;
}

}  // namespace

void UinputInjector::KeyEvent(uint8_t virtualKey, bool down) {
  const uint16_t code = EvdevKeyOfVirtualKey(virtualKey);
  if (code != 0) keyboard_->Key(code, down);
}

void UinputInjector::MouseButtonEvent(MouseButton button, bool down) {
  pointer_->Key(ButtonCode(button), down);
}

void UinputInjector::MouseWheel(int32_t delta) { pointer_->Wheel(delta / kWheelNotch); }

}  // namespace kv::linux_backend
