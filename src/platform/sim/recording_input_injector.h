#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "core/port/input_injector.h"

namespace kv::sim {

// One injected event as the recording injector keeps it.
struct InjectedEvent {
  enum class Kind { Key, Button, Wheel };
  Kind What = Kind::Key;
  uint8_t VirtualKey = 0;                  // Key
  MouseButton Button = MouseButton::Left;  // Button
  bool Down = false;                       // Key, Button
  int32_t Delta = 0;                       // Wheel

  static InjectedEvent KeyDown(uint8_t vk) { return {Kind::Key, vk, MouseButton::Left, true, 0}; }
  static InjectedEvent KeyUp(uint8_t vk) { return {Kind::Key, vk, MouseButton::Left, false, 0}; }
  static InjectedEvent ButtonDown(MouseButton b) { return {Kind::Button, 0, b, true, 0}; }
  static InjectedEvent ButtonUp(MouseButton b) { return {Kind::Button, 0, b, false, 0}; }
  static InjectedEvent Wheel(int32_t delta) {
    return {Kind::Wheel, 0, MouseButton::Left, false, delta};
  }
  friend bool operator==(const InjectedEvent&, const InjectedEvent&) = default;
};

std::ostream& operator<<(std::ostream& out, const InjectedEvent& event);

// Keeps every injected event in call order.
class RecordingInputInjector final : public InputInjector {
 public:
  void KeyEvent(uint8_t virtualKey, bool down) override {
    Events.push_back(down ? InjectedEvent::KeyDown(virtualKey) : InjectedEvent::KeyUp(virtualKey));
  }
  void MouseButtonEvent(MouseButton button, bool down) override {
    Events.push_back(down ? InjectedEvent::ButtonDown(button) : InjectedEvent::ButtonUp(button));
  }
  void MouseWheel(int32_t delta) override { Events.push_back(InjectedEvent::Wheel(delta)); }

  std::vector<InjectedEvent> Events;
};

}  // namespace kv::sim
