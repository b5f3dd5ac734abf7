#pragma once

#include <cstdint>

#include "core/actions/assign.h"

namespace kv {

// State of one button as dispatch keeps it.
struct TButtonState {
  bool Pressed = false;    // the button's bit was set in the most recent input report
  uint32_t PressTime = 0;  // clock milliseconds at the button's last press
};

// The controller state: assignments, button states, IR points with the pointing position, and
// the battery level. Values stay raw (10-bit IR coordinates, size nibbles, battery byte).
struct TWiimote {
  TWiimoteButtonAssign ButtonAssign;
  TButtonState ButtonState[kButtonCount];
  int32_t IR1X = 0;
  int32_t IR1Y = 0;
  int32_t IR1Size = 0;
  int32_t IR2X = 0;
  int32_t IR2Y = 0;
  int32_t IR2Size = 0;
  bool IR2XGreater = false;
  bool IR2YGreater = false;
  int32_t IRMidX = 0;
  int32_t IRMidY = 0;
  int32_t IRHalfDX = 0;
  int32_t IRHalfDY = 0;
  int32_t Battery = 0;
};

// Size nibble of an IR point that the camera does not see.
inline constexpr int32_t kIRPointUnseen = 15;

// The one controller state of the running program. Core classes take a reference instead of
// using this directly, so tests can give each case its own.
extern TWiimote Wiimote;

}  // namespace kv
