// Cost of button dispatch per input report, with and without a button edge, and of the repeat
// tick; and whether the report without an edge allocates.

#include <benchmark/benchmark.h>

#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/actions/button_dispatch.h"
#include "core/actions/catalogue.h"
#include "core/link/controller_output.h"
#include "core/link/wiimote.h"
#include "core/mixer/audio_mixer.h"
#include "core/pointer/cursor_switch.h"
#include "platform/sim/fake_clock.h"
#include "platform/sim/recording_input_injector.h"
#include "platform/sim/recording_process_launcher.h"
#include "platform/sim/sim_mixer_api.h"
#include "platform/sim/us_key_names.h"

using kv::bench::allocations;

namespace kv {
namespace {

constexpr uint16_t kBitA = 0x0008;
constexpr uint16_t kBitUp = 0x0800;

class NullCursor final : public CursorSwitch, public ControllerOutput {
 public:
  void CursorOn() override {}
  void CursorOff() override {}
  bool CursorWasOn() const override { return false; }
  void SetSpeedButtonHeld(bool) override {}
  void SetLedRumble(uint8_t) override {}
};

struct Bench {
  Bench() {
    wiimote.ButtonAssign = DefaultButtonAssign();
    mixerApi.Devices = {sim::SimStereoDevice(30000, 30000)};
    injector.Events.reserve(64);
  }
  // Keeps the recorded events from growing without allocating: clear keeps the capacity.
  void Forget() {
    if (injector.Events.size() > 32) injector.Events.clear();
  }
  TWiimote wiimote;
  sim::FakeClock clock;
  sim::RecordingInputInjector injector;
  sim::UsKeyNames keyNames;
  sim::RecordingProcessLauncher launcher;
  sim::SimMixerApi mixerApi;
  NullCursor cursor;
  TAudioMixer mixer{mixerApi};
  ButtonDispatch dispatch{wiimote, clock, injector, keyNames, launcher, mixer, cursor, cursor};
};

void ReportAllocations(benchmark::State& state, uint64_t before, bool mustBeZero) {
  const uint64_t count = allocations.load() - before;
  state.counters["allocs_per_report"] =
      benchmark::Counter(static_cast<double>(count), benchmark::Counter::kAvgIterations);
  if (mustBeZero && count != 0) state.SkipWithError("a report without an edge allocated");
}

// Buttons held, nothing changing: the case of nearly every report.
void BM_ReportWithoutEdge(benchmark::State& state) {
  Bench b;
  b.dispatch.HandleButtonWord(kBitA);
  const uint64_t before = allocations.load();
  for (auto _ : state) {
    b.dispatch.HandleButtonWord(kBitA);
    benchmark::ClobberMemory();
  }
  ReportAllocations(state, before, true);
}
BENCHMARK(BM_ReportWithoutEdge);

// A press and a release on alternate reports, of A ("Mouse->Left Click", argument 8) or of Up
// ("Keys" "Up", argument 2048, whose key text is parsed at every press).
void BM_ReportWithEdge(benchmark::State& state) {
  Bench b;
  const auto bit = static_cast<uint16_t>(state.range(0));
  uint16_t word = 0;
  const uint64_t before = allocations.load();
  for (auto _ : state) {
    word ^= bit;
    b.dispatch.HandleButtonWord(word);
    b.Forget();
  }
  ReportAllocations(state, before, false);
}
BENCHMARK(BM_ReportWithEdge)->Arg(kBitA)->Arg(kBitUp);

// The repeat tick with A (not repeatable) and Up ("Keys", repeating) held.
void BM_RepeatTick(benchmark::State& state) {
  Bench b;
  b.dispatch.HandleButtonWord(kBitA | kBitUp);
  b.clock.Advance(1000);
  const uint64_t before = allocations.load();
  for (auto _ : state) {
    b.dispatch.RepeatTimerTimer();
    b.Forget();
  }
  ReportAllocations(state, before, false);
}
BENCHMARK(BM_RepeatTick);

}  // namespace
}  // namespace kv
