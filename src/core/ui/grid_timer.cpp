#include "core/ui/grid_timer.h"

#include <algorithm>
#include <utility>

namespace kv {

GridTimer::GridTimer(Clock& clock, WakeTimer& wake, uint32_t periodMs, TickSchedule schedule,
                     std::function<void()> onTick, std::function<bool()> canAct)
    : clock_(clock),
      wake_(wake),
      periodMs_(std::max<uint32_t>(periodMs, 1)),
      schedule_(schedule),
      onTick_(std::move(onTick)),
      canAct_(std::move(canAct)) {}

void GridTimer::Start() {
  Stop();
  running_ = true;
  startMs_ = clock_.NowMs();
  Refresh();
}

void GridTimer::Stop() {
  running_ = false;
  if (armed_) wake_.Disarm();
  armed_ = false;
}

void GridTimer::Refresh() {
  if (!running_ || armed_ || !WantsTicks()) return;
  const uint32_t now = clock_.NowMs();
  ArmFor(NextGridPointAfter(now), now);
}

void GridTimer::Fire() {
  if (!running_ || !armed_) return;
  armed_ = false;
  const uint32_t served = dueMs_;
  if (onTick_) onTick_();
  if (!running_ || armed_ || !WantsTicks()) return;
  // A wake-up that came early must not serve its grid point twice; one that came late serves
  // it now and goes on from the next point after now.
  const uint32_t now = clock_.NowMs();
  const bool early = static_cast<int32_t>(served - now) > 0;
  ArmFor(NextGridPointAfter(early ? served : now), now);
}

uint32_t GridTimer::NextGridPointAfter(uint32_t ms) const {
  // Unsigned differences, so the grid survives the millisecond counter's wrap.
  const uint32_t sinceStart = ms - startMs_;
  return ms + (periodMs_ - sinceStart % periodMs_);
}

bool GridTimer::WantsTicks() const {
  return schedule_ == TickSchedule::Eager || !canAct_ || canAct_();
}

void GridTimer::ArmFor(uint32_t dueMs, uint32_t nowMs) {
  armed_ = true;
  dueMs_ = dueMs;
  wake_.Arm(dueMs - nowMs);
}

}  // namespace kv
