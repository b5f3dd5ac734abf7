#pragma once

#include "core/port/clock.h"

namespace kv::linux_backend {

// Milliseconds of CLOCK_MONOTONIC, truncated to 32 bits (wraps like the platform's
// multimedia clock).
class MonotonicClock final : public Clock {
 public:
  uint32_t NowMs() override;
  void SleepMs(uint32_t ms) override;
};

}  // namespace kv::linux_backend
