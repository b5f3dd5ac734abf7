// Scenario files of the virtual Wii Remote come from the command line: any bytes, any length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/sim/wiimote_scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto scenario = kv::sim::ParseWiimoteScenario(text, error);
  if (!scenario) {
    // A refusal always says which line, stays short whatever the line holds and is safe to print
    // on a terminal: nothing but printable ASCII.
    if (error.rfind("line ", 0) != 0 || error.size() > 200) std::abort();
    for (const char c : error) {
      if (c < 0x20 || c > 0x7E) std::abort();
    }
    return 0;
  }
  // Only the two products the program knows can be presented.
  if (scenario->ProductId != kv::sim::kWiimoteProduct &&
      scenario->ProductId != kv::sim::kWiimotePlusProduct) {
    std::abort();
  }
  uint32_t previous = 0;
  for (const auto& step : scenario->Steps) {
    if (step.AtMs < previous || step.Length > kv::sim::kWiimoteReportLength) std::abort();
    previous = step.AtMs;
  }
  return 0;
}
