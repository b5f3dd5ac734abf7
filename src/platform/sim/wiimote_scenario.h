#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::sim {

// Input and output report length of the virtual Wii Remote, report ID included.
inline constexpr std::size_t kWiimoteReportLength = 22;
inline constexpr uint8_t kDefaultWiimoteBattery = 200;
// Product IDs the virtual Wii Remote can present: the original and the Wii Remote Plus.
inline constexpr uint16_t kWiimoteProduct = 0x0306;
inline constexpr uint16_t kWiimotePlusProduct = 0x0330;

// One timed step of a scenario.
struct WiimoteScenarioStep {
  enum class Kind { Report, Unplug, Plug };
  uint32_t AtMs = 0;  // milliseconds after the device was checked out
  Kind What = Kind::Report;
  std::array<uint8_t, kWiimoteReportLength> Report{};  // report ID first, zero padded
  std::size_t Length = 0;                              // bytes given in the file
  std::size_t Line = 0;
};

// What the virtual Wii Remote does: its product ID, its battery byte and its steps in time order
// (steps at the same time in file order).
struct WiimoteScenario {
  uint16_t ProductId = kWiimoteProduct;
  uint8_t Battery = kDefaultWiimoteBattery;
  std::vector<WiimoteScenarioStep> Steps;
};

// Parses scenario text, one directive a line, `#` starting a comment:
//   battery N            battery byte of status reports
//   product N            product ID the device presents: 0x0306 or 0x0330
//   MS B0 B1 ...         at MS, deliver this input report (at most 22 bytes, zero padded)
//   MS unplug | MS plug  at MS, the device leaves / returns
// Times and the battery are decimal or 0x-hex. Report bytes are hex when written as two bare
// digits ("9a", "31") or 0x-hex, decimal otherwise ("7", "200").
// Returns nullopt on the first bad line, with `error` "line N: what is wrong" (a bad token is
// shown shortened, its control and non-ASCII bytes as \xNN).
std::optional<WiimoteScenario> ParseWiimoteScenario(std::string_view text, std::string& error);

// The largest scenario file read: some 60000 timed reports, ten minutes of steady streaming.
inline constexpr std::size_t kMaxWiimoteScenarioBytes = 4 * 1024 * 1024;

// Reads and parses a scenario file. Returns nullopt with `error` set when the file cannot be read,
// is not a regular file, is larger than kMaxWiimoteScenarioBytes or does not parse.
std::optional<WiimoteScenario> LoadWiimoteScenario(const std::string& path, std::string& error);

// A built-in scenario of about 20 seconds that shows the program at work, written for the
// demonstration settings (DemoSettings: the defaults, Plus and Minus stepping the volume):
// B switches the cursor on; the controller is tilted in circles while pointing in circles;
// Down and Up are pressed; Plus and Minus step the volume up and back down; a hard right tilt
// drives the cursor to the right edge of the desktop, where the controller rumbles and A clicks;
// a left tilt brings the cursor back; B switches it off. The controller is then held still.
std::string DemoWiimoteScenario();

}  // namespace kv::sim
