#pragma once

#include <algorithm>
#include <cstdint>

namespace kv {

// Requested periods of the main window's five timers, in milliseconds.
inline constexpr uint32_t kDrawTimerMs = 50;
inline constexpr uint32_t kMotionTimerMs = 2;
inline constexpr uint32_t kRepeatTimerMs = 20;
inline constexpr uint32_t kCursorTimerMs = 12;
inline constexpr uint32_t kBatteryTimerMs = 1000;

// No window timer fires faster than this. The per-tick cursor steps were tuned on a platform whose
// window timers never fire faster than every 10 ms, so keeping the same floor keeps the cursor
// speeds per second instead of running several times faster with a precise 2 ms timer.
inline constexpr uint32_t kTimerFloorMs = 10;

// The period a timer requested at `requestedMs` really runs at.
constexpr uint32_t EffectiveTimerPeriod(uint32_t requestedMs) {
  return std::max(requestedMs, kTimerFloorMs);
}

}  // namespace kv
