#include "platform/sim/wiimote_scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace kv::sim {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsSpace(line[i])) ++i;
    if (i > start) tokens.push_back(line.substr(start, i - start));
  }
  return tokens;
}

// Digits in `base` up to `limit`; false on an empty text, a bad digit or overflow.
bool ParseDigits(std::string_view digits, uint32_t base, uint64_t limit, uint64_t& value) {
  if (digits.empty()) return false;
  value = 0;
  for (char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0 || static_cast<uint32_t>(digit) >= base) return false;
    value = value * base + static_cast<uint32_t>(digit);
    if (value > limit) return false;
  }
  return true;
}

bool HasHexPrefix(std::string_view token) {
  return token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X');
}

// A time or the battery: decimal, or hex after 0x.
bool ParseNumber(std::string_view token, uint64_t limit, uint64_t& value) {
  if (HasHexPrefix(token)) return ParseDigits(token.substr(2), 16, limit, value);
  return ParseDigits(token, 10, limit, value);
}

// A report byte: two bare digits are hex, 0x.. is hex, anything else decimal.
bool ParseByte(std::string_view token, uint8_t& byte) {
  uint64_t value = 0;
  bool ok = false;
  if (HasHexPrefix(token)) {
    ok = ParseDigits(token.substr(2), 16, 0xFF, value);
  } else if (token.size() == 2) {
    ok = ParseDigits(token, 16, 0xFF, value);
  } else {
    ok = ParseDigits(token, 10, 0xFF, value);
  }
  byte = static_cast<uint8_t>(value);
  return ok;
}

std::string Quoted(std::string_view token) {
  constexpr std::size_t kShown = 40;  // keep messages short whatever the line holds
  std::string text(token.substr(0, kShown));
  if (token.size() > kShown) text += "...";
  return "'" + text + "'";
}

// Parses one line's tokens into `scenario`. Returns an empty text or what is wrong.
std::string ParseLine(const std::vector<std::string_view>& tokens, std::size_t lineNumber,
                      WiimoteScenario& scenario) {
  if (tokens[0] == "battery") {
    if (tokens.size() != 2) return "'battery' takes one number (0 to 255)";
    uint64_t value = 0;
    if (!ParseNumber(tokens[1], 0xFF, value)) {
      return "bad battery value " + Quoted(tokens[1]) + " (0 to 255)";
    }
    scenario.Battery = static_cast<uint8_t>(value);
    return {};
  }
  WiimoteScenarioStep step;
  step.Line = lineNumber;
  uint64_t at = 0;
  if (!ParseNumber(tokens[0], UINT32_MAX, at)) {
    return "expected 'battery' or a time in milliseconds, got " + Quoted(tokens[0]);
  }
  step.AtMs = static_cast<uint32_t>(at);
  if (tokens.size() < 2) return "nothing to do at " + std::to_string(at) + " ms";
  if (tokens[1] == "unplug" || tokens[1] == "plug") {
    if (tokens.size() != 2) return "'" + std::string(tokens[1]) + "' takes nothing after it";
    step.What =
        tokens[1] == "plug" ? WiimoteScenarioStep::Kind::Plug : WiimoteScenarioStep::Kind::Unplug;
  } else {
    const std::size_t count = tokens.size() - 1;
    if (count > kWiimoteReportLength) {
      return "report of " + std::to_string(count) + " bytes; at most " +
             std::to_string(kWiimoteReportLength);
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (!ParseByte(tokens[i + 1], step.Report[i])) {
        return "bad report byte " + Quoted(tokens[i + 1]) +
               " (two hex digits, 0x.. or decimal 0 to 255)";
      }
    }
    step.Length = count;
  }
  scenario.Steps.push_back(step);
  return {};
}

}  // namespace

std::optional<WiimoteScenario> ParseWiimoteScenario(std::string_view text, std::string& error) {
  WiimoteScenario scenario;
  std::size_t lineNumber = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    ++lineNumber;
    start = end + 1;
    line = line.substr(0, line.find('#'));
    const std::vector<std::string_view> tokens = Tokens(line);
    if (tokens.empty()) continue;
    std::string problem = ParseLine(tokens, lineNumber, scenario);
    if (!problem.empty()) {
      error = "line " + std::to_string(lineNumber) + ": " + problem;
      return std::nullopt;
    }
  }
  std::stable_sort(scenario.Steps.begin(), scenario.Steps.end(),
                   [](const auto& a, const auto& b) { return a.AtMs < b.AtMs; });
  error.clear();
  return scenario;
}

std::optional<WiimoteScenario> LoadWiimoteScenario(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  std::optional<WiimoteScenario> scenario = ParseWiimoteScenario(text.str(), error);
  if (!scenario) error = path + ": " + error;
  return scenario;
}

namespace {

std::string Hex(uint8_t byte) {
  static const char kDigits[] = "0123456789abcdef";
  return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

// One 0x33 report: buttons, accelerometer and two IR points in the 3-byte extended format.
std::string MotionReport(uint32_t at, uint16_t buttons, int accX, int accY, int irX, int irY) {
  auto irPoint = [](int x, int y) {
    const int b2 = ((y >> 8) & 0x03) << 6 | ((x >> 8) & 0x03) << 4 | 0x02;  // size 2
    return Hex(static_cast<uint8_t>(x)) + " " + Hex(static_cast<uint8_t>(y)) + " " +
           Hex(static_cast<uint8_t>(b2));
  };
  return std::to_string(at) + " 33 " + Hex(static_cast<uint8_t>(buttons >> 8)) + " " +
         Hex(static_cast<uint8_t>(buttons)) + " " + Hex(static_cast<uint8_t>(accX)) + " " +
         Hex(static_cast<uint8_t>(accY)) + " a0 " + irPoint(irX - 100, irY) + " " +
         irPoint(irX + 100, irY) + "\n";
}

}  // namespace

std::string DemoWiimoteScenario() {
  constexpr uint16_t kButtonB = 0x0004;
  constexpr uint16_t kButtonUp = 0x0800;
  constexpr uint16_t kButtonDown = 0x0400;
  constexpr uint32_t kCycleMs = 12000;
  constexpr int kCycles = 5;
  std::string text =
      "# Built-in demonstration: B switches the cursor on, the controller is\n"
      "# tilted in circles while pointing at the screen, then B switches it off.\n"
      "battery 180\n";
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    const uint32_t base = 1000 + cycle * kCycleMs;
    text += MotionReport(base, kButtonB, 128, 128, 512, 384);
    text += MotionReport(base + 150, 0, 128, 128, 512, 384);
    for (uint32_t t = 200; t < 8200; t += 20) {
      const double angle = 2.0 * 3.14159265358979 * t / 4000.0;
      const int accX = 128 + static_cast<int>(std::lround(18 * std::cos(angle)));
      const int accY = 128 + static_cast<int>(std::lround(18 * std::sin(angle)));
      const int irX = 512 + static_cast<int>(std::lround(250 * std::cos(angle)));
      const int irY = 384 + static_cast<int>(std::lround(200 * std::sin(angle)));
      text += MotionReport(base + t, 0, accX, accY, irX, irY);
    }
    text += MotionReport(base + 8300, kButtonB, 128, 128, 512, 384);
    text += MotionReport(base + 8450, 0, 128, 128, 512, 384);
    text += MotionReport(base + 9000, kButtonDown, 128, 128, 512, 384);
    text += MotionReport(base + 9100, 0, 128, 128, 512, 384);
    text += MotionReport(base + 9600, kButtonUp, 128, 128, 512, 384);
    text += MotionReport(base + 9700, 0, 128, 128, 512, 384);
  }
  return text;
}

}  // namespace kv::sim
