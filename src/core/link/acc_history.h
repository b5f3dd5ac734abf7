#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kv {

// The last 1024 raw samples of one accelerometer axis. Entry 0 is the newest sample, entry 1 the
// one before, up to entry 1023. A ring buffer: a push costs the same whatever the length.
class AccHistory {
 public:
  static constexpr std::size_t kLength = 1024;
  static_assert((kLength & (kLength - 1)) == 0, "the ring index wraps with a mask");

  void Push(int32_t sample) {
    head_ = (head_ + kLength - 1) & (kLength - 1);
    samples_[head_] = sample;
  }

  // Sample i, 0 = newest; i must be below kLength.
  int32_t operator[](std::size_t i) const { return samples_[(head_ + i) & (kLength - 1)]; }

  static constexpr std::size_t size() { return kLength; }

 private:
  std::array<int32_t, kLength> samples_{};
  std::size_t head_ = 0;
};

// The three accelerometer histories of the main window.
struct AccHistories {
  AccHistory X;
  AccHistory Y;
  AccHistory Z;
};

}  // namespace kv
