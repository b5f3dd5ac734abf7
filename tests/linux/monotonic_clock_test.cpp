#include "platform/linux/monotonic_clock.h"

#include <gtest/gtest.h>

namespace kv::linux_backend {
namespace {

TEST(MonotonicClock, SleepAdvancesTheMillisecondCounter) {
  MonotonicClock clock;
  const uint32_t before = clock.NowMs();
  clock.SleepMs(20);
  const uint32_t elapsed = clock.NowMs() - before;  // unsigned difference, wrap-safe
  EXPECT_GE(elapsed, 20u);
  EXPECT_LT(elapsed, 5000u);
}

}  // namespace
}  // namespace kv::linux_backend
