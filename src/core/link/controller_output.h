#pragma once

#include <cstdint>

namespace kv {

// LED and rumble byte of report 0x11.
inline constexpr uint8_t kLedRumbleMotor = 0x01;
inline constexpr uint8_t kLed1 = 0x10;
inline constexpr uint8_t kLed4 = 0x80;
inline constexpr uint8_t kLedsCursorOff = kLed4;                         // 0x80
inline constexpr uint8_t kLedsCursorOn = kLed1 | kLed4;                  // 0x90
inline constexpr uint8_t kLedsRumble = kLedsCursorOn | kLedRumbleMotor;  // 0x91

// What the pointer and button logic may tell the controller. The main-window logic sends it as
// output report 0x11; failures are shown in the caption there, never reported back.
class ControllerOutput {
 public:
  virtual ~ControllerOutput() = default;
  virtual void SetLedRumble(uint8_t value) = 0;
};

}  // namespace kv
