// Cost of reading a key-combination text: a letter (found early), a layout name (found late)
// and a text that names no key (every code tried).
#include <benchmark/benchmark.h>

#include <string_view>

#include "core/actions/catalogue.h"
#include "platform/sim/us_key_names.h"

namespace {

void BM_TextToShortCut(benchmark::State& state, std::string_view text) {
  kv::sim::UsKeyNames keyNames;
  for (auto _ : state) benchmark::DoNotOptimize(kv::TextToShortCut(text, keyNames));
}
BENCHMARK_CAPTURE(BM_TextToShortCut, Letter, std::string_view("Ctrl+X"));
BENCHMARK_CAPTURE(BM_TextToShortCut, LayoutName, std::string_view("Shift+'"));
BENCHMARK_CAPTURE(BM_TextToShortCut, NoKey, std::string_view("Ctrl+Nothing"));

}  // namespace
