#pragma once

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

}  // namespace kv::sim
