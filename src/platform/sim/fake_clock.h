#pragma once

#include <atomic>
#include <cstdint>

#include "core/port/clock.h"

namespace kv::sim {

// A clock that only moves when told to. SleepMs advances it instead of blocking, so code that
// waits (the connection set-up's pauses) runs instantly and deterministically in tests.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(uint32_t startMs = 0) : now_(startMs) {}

  uint32_t NowMs() override { return now_.load(); }
  void SleepMs(uint32_t ms) override { now_ += ms; }

  void Advance(uint32_t ms) { now_ += ms; }
  void Set(uint32_t ms) { now_ = ms; }

 private:
  std::atomic<uint32_t> now_;
};

}  // namespace kv::sim
