#pragma once

#include <memory>

#include "core/port/input_injector.h"
#include "platform/linux/uinput_device.h"

namespace kv::linux_backend {

// Synthetic input through two uinput devices, a keyboard and a relative pointer, which the
// compositor (or the X server) takes like real ones: it reaches every window of a Wayland
// desktop. Keys are evdev codes of a US keyboard; the desktop's keymap turns them into symbols.
// Whatever is still held when the injector is destroyed is released first.
class UinputInjector final : public InputInjector {
 public:
  UinputInjector(std::unique_ptr<UinputDevice> keyboard, std::unique_ptr<UinputDevice> pointer)
      : keyboard_(std::move(keyboard)), pointer_(std::move(pointer)) {}

  // A virtual-key code without an evdev key is dropped.
  void KeyEvent(uint8_t virtualKey, bool down) override;
  void MouseButtonEvent(MouseButton button, bool down) override;
  // Whole notches of 120, one wheel event carrying them all.
  void MouseWheel(int32_t delta) override;

 private:
  std::unique_ptr<UinputDevice> keyboard_;
  std::unique_ptr<UinputDevice> pointer_;
};

}  // namespace kv::linux_backend
