#pragma once

#include "core/port/clock.h"

namespace kv::win32_backend {

// Milliseconds of the system's multimedia clock (timeGetTime): milliseconds since the system
// started, wrapping after about 49.7 days.
class MultimediaClock final : public Clock {
 public:
  uint32_t NowMs() override;
  // Sleep: the thread wakes at the next scheduler tick after `ms` have passed.
  void SleepMs(uint32_t ms) override;
};

}  // namespace kv::win32_backend
