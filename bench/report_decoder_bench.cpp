// Cost of decoding one 0x33 report (three history pushes, two IR points, the button hand-off).
// The histories are rings, so the cost must not depend on how many samples they have seen; the
// shifting variant below is what a plain array of 1024 entries would cost per push instead.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/link/report_decoder.h"

namespace {

class CountingButtons final : public kv::ButtonWordHandler {
 public:
  void HandleButtonWord(uint16_t word) override { sum += word; }
  uint64_t sum = 0;
};

constexpr uint8_t kReport[21] = {0x00, 0x08, 0x80, 0x81, 0x82, 0x10, 0x20, 0x15, 0x30, 0x40, 0xA4,
                                 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0,    0,    0,    0};

// Argument: samples pushed before timing starts (an empty, a just-full and a long-wrapped ring).
void BM_Decode0x33(benchmark::State& state) {
  kv::TWiimote wiimote;
  kv::AccHistories histories;
  CountingButtons buttons;
  kv::ReportDecoder decoder(wiimote, histories, &buttons);
  for (int64_t i = 0; i < state.range(0); ++i) decoder.ShowRead(0x33, kReport, sizeof kReport);
  for (auto _ : state) {
    decoder.ShowRead(0x33, kReport, sizeof kReport);
    benchmark::DoNotOptimize(histories.X[0]);
  }
  benchmark::DoNotOptimize(buttons.sum);
}
BENCHMARK(BM_Decode0x33)->Arg(0)->Arg(1024)->Arg(1 << 20);

// For contrast: three pushes into shifting 1024-entry arrays.
void BM_ShiftingPushes(benchmark::State& state) {
  std::array<std::array<int32_t, 1024>, 3> histories{};
  int32_t sample = 0;
  for (auto _ : state) {
    for (auto& h : histories) {
      std::copy_backward(h.begin(), h.end() - 1, h.end());
      h[0] = ++sample & 0xFF;
    }
    benchmark::DoNotOptimize(histories[2][0]);
  }
}
BENCHMARK(BM_ShiftingPushes);

}  // namespace
