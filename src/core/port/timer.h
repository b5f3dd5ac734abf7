#pragma once

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
