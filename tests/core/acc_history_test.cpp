#include "core/link/acc_history.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(AccHistory, NewestFirstAndOldestDroppedAfterFullLength) {
  AccHistory history;
  EXPECT_EQ(history[0], 0);
  EXPECT_EQ(history[AccHistory::kLength - 1], 0);

  for (int32_t i = 1; i <= static_cast<int32_t>(AccHistory::kLength); ++i) history.Push(i);
  EXPECT_EQ(history[0], 1024);
  EXPECT_EQ(history[1], 1023);
  EXPECT_EQ(history[1023], 1);  // the first sample sits in the last entry

  history.Push(5000);  // and the next push drops it
  EXPECT_EQ(history[0], 5000);
  EXPECT_EQ(history[1], 1024);
  EXPECT_EQ(history[1023], 2);
}

}  // namespace
}  // namespace kv
