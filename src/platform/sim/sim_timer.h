#pragma once

#include <cstdint>

#include "core/port/clock.h"
#include "core/port/timer.h"

namespace kv::sim {

// A timer that only records whether it is enabled; tests call the tick handlers themselves.
class SimTimer final : public Timer {
 public:
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Enabled() const override { return enabled_; }

 private:
  bool enabled_ = false;
};

// A wake-up that only records when it is due; tests fire it themselves once their clock has
// reached that moment.
class SimWakeTimer final : public WakeTimer {
 public:
  explicit SimWakeTimer(Clock& clock) : clock_(clock) {}

  void Arm(uint32_t delayMs) override {
    armed_ = true;
    dueMs_ = clock_.NowMs() + delayMs;
    ++arms_;
  }
  void Disarm() override { armed_ = false; }

  bool Armed() const { return armed_; }
  uint32_t DueMs() const { return dueMs_; }
  // Whether it is armed for `nowMs` or earlier; if so, takes the arming (the call-back is due).
  bool TakeIfDue(uint32_t nowMs) {
    if (!armed_ || static_cast<int32_t>(nowMs - dueMs_) < 0) return false;
    armed_ = false;
    return true;
  }
  // How often it was armed.
  uint64_t Arms() const { return arms_; }

 private:
  Clock& clock_;
  bool armed_ = false;
  uint32_t dueMs_ = 0;
  uint64_t arms_ = 0;
};

}  // namespace kv::sim
