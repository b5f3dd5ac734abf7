#pragma once

#include <cstdint>

namespace kv {

// The enabled state of one periodic window timer. The core switches timers on and off and
// asks whether they run; the application owns the real timer and calls the core's tick handler.
class Timer {
 public:
  virtual ~Timer() = default;

  // Starts or stops the timer. Never fails.
  virtual void SetEnabled(bool enabled) = 0;

  // Whether the timer is running.
  virtual bool Enabled() const = 0;
};

}  // namespace kv

namespace kv {

// A single-shot wake-up of the user-interface thread: the application's timer that calls back
// once, on that thread, after a delay. The core keeps the period and the phase itself and arms it
// only for ticks that can do something.
class WakeTimer {
 public:
  virtual ~WakeTimer() = default;

  // Calls back once, `delayMs` from now (0: as soon as the event loop runs); replaces an earlier
  // arming. Never fails.
  virtual void Arm(uint32_t delayMs) = 0;

  // Cancels an armed call-back. Never fails.
  virtual void Disarm() = 0;
};

}  // namespace kv
