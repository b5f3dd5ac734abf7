// Cost of the pointer ticks against the in-memory desktop, and whether a tick allocates.

#include <benchmark/benchmark.h>

#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/link/acc_history.h"
#include "core/link/controller_output.h"
#include "core/link/wiimote.h"
#include "core/pointer/pointer_control.h"
#include "core/settings/settings.h"
#include "platform/sim/fake_clock.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_timer.h"

using kv::bench::allocations;

namespace kv {
namespace {

class NullOutput final : public ControllerOutput {
 public:
  void SetLedRumble(uint8_t value) override { benchmark::DoNotOptimize(value); }
};

struct Bench {
  Bench() {
    settings.CursorMode = "Motion";
    settings.OnPush = "Slower";
    settings.BaseX = 128;
    settings.BaseY = 128;
    settings.SpeedFast = 5;
    settings.SpeedSlow = 3;
    settings.RumbleOnEdge = true;
    desktop.SetRecordMoves(false);
    desktop.PlaceCursor({960, 540});
  }
  TKestrovaneSetting settings;
  TWiimote wiimote;
  AccHistories acc;
  sim::FakeClock clock;
  sim::SimDesktop desktop{{{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}}};
  NullOutput output;
  sim::SimTimer timer;
  PointerControl pointer{settings, wiimote, acc, clock, desktop, output, timer};
};

void ReportAllocations(benchmark::State& state, uint64_t before) {
  state.counters["allocs_per_tick"] = benchmark::Counter(
      static_cast<double>(allocations.load() - before), benchmark::Counter::kAvgIterations);
}

void BM_MotionTick(benchmark::State& state) {
  Bench b;
  const uint64_t before = allocations.load();
  int i = 0;
  for (auto _ : state) {
    // Tilt back and forth so the cursor keeps moving without reaching an edge.
    b.acc.X.Push((i++ & 64) ? 148 : 108);
    b.acc.Y.Push((i & 128) ? 140 : 116);
    b.pointer.MotionTimerTimer();
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_MotionTick);

void BM_IRTick(benchmark::State& state) {
  Bench b;
  b.settings.CursorMode = "IR";
  const uint64_t before = allocations.load();
  int i = 0;
  for (auto _ : state) {
    // Alternate between two targets so every tick moves.
    b.wiimote.IRMidX = (i++ & 16) ? 200 : 800;
    b.wiimote.IRMidY = 383;
    b.pointer.MotionTimerTimer();
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_IRTick);

void BM_CursorTick(benchmark::State& state) {
  Bench b;
  b.wiimote.ButtonAssign[kSlotRight].ActionType = "Mouse->Cursor Right";
  b.wiimote.ButtonAssign[kSlotLeft].ActionType = "Mouse->Cursor Left";
  b.wiimote.ButtonAssign[kSlotA].ActionType = "Mouse->Left Click";
  b.wiimote.ButtonState[kSlotA].Pressed = true;
  const uint64_t before = allocations.load();
  int i = 0;
  for (auto _ : state) {
    const bool right = (i++ & 32) != 0;
    b.wiimote.ButtonState[kSlotRight].Pressed = right;
    b.wiimote.ButtonState[kSlotLeft].Pressed = !right;
    b.pointer.CursorTimerTimer();
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_CursorTick);

}  // namespace
}  // namespace kv
