// Latency of an input report from the moment the HID system completes the read to the moment the
// data handler runs on the user-interface thread (here: the benchmark's thread, which waits in the
// dispatcher the way the application's event loop does).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/hid/hid_device_controller.h"
#include "core/ui/ui_dispatcher.h"
#include "platform/sim/sim_hid_system.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kPath = "bench-wiimote";

void ReportPercentiles(benchmark::State& state, std::vector<double>& micros) {
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) { return micros[static_cast<std::size_t>(q * (micros.size() - 1))]; };
  state.counters["p50_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = micros.back();
}

void BM_ReportHandOff(benchmark::State& state) {
  kv::sim::SimHidSystem hid;
  kv::sim::SimHidDeviceConfig config;
  config.DevicePath = kPath;
  config.DeviceInstance = 1;
  config.Attributes.VendorID = 0x057E;
  config.Attributes.ProductID = 0x0306;
  config.Caps.InputReportByteLength = 22;
  config.Caps.OutputReportByteLength = 22;
  hid.AddDevice(config);

  kv::UiDispatcher ui;
  kv::THidDeviceController controller(hid, ui);
  Clock::time_point handledAt;
  bool handled = false;
  controller.SetOnDeviceData([&](kv::THidDevice&, uint8_t, const uint8_t* data, uint16_t) {
    benchmark::DoNotOptimize(data[0]);
    handledAt = Clock::now();
    handled = true;
  });
  ui.Drain();
  kv::THidDevice* device = nullptr;
  if (!controller.CheckOutDevice(0x057E, 0x0306, device)) {
    state.SkipWithError("no device");
    return;
  }

  std::vector<uint8_t> report(22, 0);
  report[0] = 0x31;
  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(state.max_iterations));
  for (auto _ : state) {
    // Measure from a read thread that is blocked waiting, as it is between reports.
    hid.WaitForPendingRead(kPath, std::chrono::seconds(5));
    handled = false;
    const Clock::time_point completedAt = Clock::now();
    hid.QueueInputReport(kPath, report);
    ui.WaitUntil([&] { return handled; });
    const std::chrono::duration<double> latency = handledAt - completedAt;
    state.SetIterationTime(latency.count());
    micros.push_back(latency.count() * 1e6);
  }
  ReportPercentiles(state, micros);
}
BENCHMARK(BM_ReportHandOff)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

// The dispatcher alone: a worker's RunSync served by a UI thread waiting in WaitUntil.
void BM_RunSyncRoundTrip(benchmark::State& state) {
  kv::UiDispatcher ui;
  std::atomic<bool> stop{false};
  std::atomic<bool> ended{false};
  std::atomic<long> served{0};
  std::thread worker([&] {
    while (!stop) ui.RunSync([&] { ++served; });
    ended = true;
    ui.NotifyWaiters();
  });
  long target = 0;
  for (auto _ : state) {
    ++target;
    ui.WaitUntil([&] { return served.load() >= target; });
  }
  stop = true;
  ui.Join(worker, ended);
}
BENCHMARK(BM_RunSyncRoundTrip)->Unit(benchmark::kMicrosecond);

}  // namespace
