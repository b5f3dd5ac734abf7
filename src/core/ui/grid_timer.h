#pragma once

#include <cstdint>
#include <functional>

#include "core/port/clock.h"
#include "core/port/timer.h"

namespace kv {

// Which ticks of a window timer wake the process.
enum class TickSchedule {
  Eager,  // every tick, whether or not it can do anything
  Lazy,   // only ticks that can do something; the others are skipped, which nobody can tell
};

// A periodic window timer on a fixed grid: it ticks at start + k * period, whatever was skipped,
// so a lazy timer that sleeps and is woken again keeps the phase an eager one has. A tick that
// comes late (the thread was busy) serves the latest grid point passed; the points missed in
// between are dropped, as a window timer does.
//
// Lazy: the timer is armed only while `canAct` says a tick could do something. `canAct` must
// be conservative (false only when a tick would be a no-op); whoever changes what it reads calls
// Refresh afterwards, which arms the first grid point after now.
class GridTimer {
 public:
  GridTimer(Clock& clock, WakeTimer& wake, uint32_t periodMs, TickSchedule schedule,
            std::function<void()> onTick, std::function<bool()> canAct);

  GridTimer(const GridTimer&) = delete;
  GridTimer& operator=(const GridTimer&) = delete;

  // Starts the grid now (and arms its first tick if it can act). Restarting restarts the grid.
  void Start();
  // Stops the timer: no more ticks until the next Start.
  void Stop();
  // Whether the timer runs (armed or asleep).
  bool Running() const { return running_; }
  // Whether a wake-up is armed, and for when.
  bool Armed() const { return armed_; }
  uint32_t DueMs() const { return dueMs_; }
  uint32_t PeriodMs() const { return periodMs_; }

  // Arms the first grid point after now if the timer runs, sleeps and a tick could act.
  void Refresh();
  // The wake timer's call-back: runs the tick, then arms the next one if it could act.
  void Fire();

 private:
  // The first grid point strictly after `ms`.
  uint32_t NextGridPointAfter(uint32_t ms) const;
  bool WantsTicks() const;
  void ArmFor(uint32_t dueMs, uint32_t nowMs);

  Clock& clock_;
  WakeTimer& wake_;
  const uint32_t periodMs_;
  const TickSchedule schedule_;
  std::function<void()> onTick_;
  std::function<bool()> canAct_;
  bool running_ = false;
  bool armed_ = false;
  uint32_t startMs_ = 0;
  uint32_t dueMs_ = 0;
};

}  // namespace kv
