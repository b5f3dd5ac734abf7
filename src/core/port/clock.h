#pragma once

#include <cstdint>

namespace kv {

// Milliseconds of a monotonic clock, as an unsigned 32-bit counter that wraps after about
// 49.7 days. Elapsed times are always computed as unsigned differences, which stay correct
// across the wrap.
class Clock {
 public:
  virtual ~Clock() = default;

  // Current time in milliseconds. Never fails.
  virtual uint32_t NowMs() = 0;

  // Blocks the calling thread for about `ms` milliseconds. Never fails.
  virtual void SleepMs(uint32_t ms) = 0;
};

}  // namespace kv
