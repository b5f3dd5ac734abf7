#include "platform/sim/wiimote_scenario.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

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

// The token as it may be shown on a terminal: control and non-ASCII bytes as \xNN, a backslash
// doubled, and no more than 40 characters, so a message stays short and harmless whatever the
// file holds.
std::string Quoted(std::string_view token) {
  constexpr std::size_t kShown = 40;
  std::string text;
  std::size_t used = 0;
  for (; used < token.size(); ++used) {
    const auto byte = static_cast<unsigned char>(token[used]);
    std::string piece(1, static_cast<char>(byte));
    if (byte == '\\') {
      piece = "\\\\";
    } else if (byte < 0x20 || byte >= 0x7F) {
      constexpr char kDigits[] = "0123456789abcdef";
      piece = {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 0xF]};
    }
    if (text.size() + piece.size() > kShown) break;
    text += piece;
  }
  if (used < token.size()) text += "...";
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
  if (tokens[0] == "product") {
    uint64_t value = 0;
    if (tokens.size() != 2 || !ParseNumber(tokens[1], 0xFFFF, value) ||
        (value != kWiimoteProduct && value != kWiimotePlusProduct)) {
      return "'product' takes 0x0306 (Wii Remote) or 0x0330 (Wii Remote Plus)";
    }
    scenario.ProductId = static_cast<uint16_t>(value);
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

namespace {

// Reads the whole scenario file into `text`. Only a regular file of at most
// kMaxWiimoteScenarioBytes is read: a FIFO or a device would block or never end.
bool ReadScenarioFile(const std::string& path, std::string& text, std::string& error) {
  std::error_code code;
  const std::filesystem::file_status status = std::filesystem::status(path, code);
  if (!code && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    error = path + ": not a regular file";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (code || !file) {
    error = "cannot read " + path;
    return false;
  }
  // One byte more than allowed tells a file that is too large, also one that grows meanwhile.
  text.resize(kMaxWiimoteScenarioBytes + 1);
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (file.bad()) {
    error = "cannot read " + path;
    return false;
  }
  if (text.size() > kMaxWiimoteScenarioBytes) {
    error = path + ": too large for a scenario (more than " +
            std::to_string(kMaxWiimoteScenarioBytes / 1024 / 1024) + " MiB)";
    return false;
  }
  return true;
}

}  // namespace

std::optional<WiimoteScenario> LoadWiimoteScenario(const std::string& path, std::string& error) {
  std::string text;
  if (!ReadScenarioFile(path, text, error)) return std::nullopt;
  std::optional<WiimoteScenario> scenario = ParseWiimoteScenario(text, error);
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

// Button bits of the demonstration.
constexpr uint16_t kBitB = 0x0004;
constexpr uint16_t kBitA = 0x0008;
constexpr uint16_t kBitMinus = 0x0010;
constexpr uint16_t kBitDown = 0x0400;
constexpr uint16_t kBitUp = 0x0800;
constexpr uint16_t kBitPlus = 0x1000;

// Accelerometer reading of a controller at rest (the calibration default), and the IR midpoint
// of a controller aimed at the middle of the screen.
constexpr int kRest = 128;
constexpr int kIRCentreX = 512;
constexpr int kIRCentreY = 384;
constexpr double kTwoPi = 6.28318530717958647692;

// A demonstration being written: reports in time order, the controller's pose held between them.
class DemoWriter {
 public:
  std::string Text;

  void Pose(uint32_t at, int accX, int accY, int irX = kIRCentreX, int irY = kIRCentreY) {
    accX_ = accX;
    accY_ = accY;
    irX_ = irX;
    irY_ = irY;
    Text += MotionReport(at, 0, accX, accY, irX, irY);
  }

  // A short press of the buttons `bits` at `at`, in the pose held.
  void Tap(uint32_t at, uint16_t bits) {
    Text += MotionReport(at, bits, accX_, accY_, irX_, irY_);
    Text += MotionReport(at + 100, 0, accX_, accY_, irX_, irY_);
  }

  // Tilted by `tiltX` for `ms`, eased in over the first 200 ms, a report every 20 ms; at rest
  // after. The IR midpoint shifts the opposite way, as the camera sees the lights move.
  void Tilt(uint32_t at, uint32_t ms, int tiltX) {
    for (uint32_t t = 0; t < ms; t += 20) {
      const int tilt = tiltX * static_cast<int>(std::min<uint32_t>(t, 200)) / 200;
      Pose(at + t, kRest + tilt, kRest, kIRCentreX - 8 * tilt);
    }
    Pose(at + ms, kRest, kRest);
  }

  // Tilted around in `turns` circles of `periodMs`, pointing in circles on the screen at the
  // same time. The tilt leads the cursor round a circle left of where it started, back to it.
  void Circles(uint32_t at, int turns, uint32_t periodMs, int amplitude) {
    const uint32_t ms = static_cast<uint32_t>(turns) * periodMs;
    for (uint32_t t = 0; t < ms; t += 20) {
      const double angle = kTwoPi * t / periodMs;
      Pose(at + t, kRest - static_cast<int>(std::lround(amplitude * std::sin(angle))),
           kRest + static_cast<int>(std::lround(amplitude * std::cos(angle))),
           kIRCentreX + static_cast<int>(std::lround(250 * std::sin(angle))),
           kIRCentreY + static_cast<int>(std::lround(200 * std::cos(angle))));
    }
    Pose(at + ms, kRest, kRest);
  }

  // A hand holding the controller still: readings within a count of rest, which moves nothing.
  void Idle(uint32_t at, uint32_t ms) {
    for (uint32_t t = 0, i = 0; t < ms; t += 100, ++i) {
      Pose(at + t, kRest + static_cast<int>(i % 3) - 1, kRest + static_cast<int>(i / 3 % 3) - 1,
           kIRCentreX + static_cast<int>(i % 5) - 2, kIRCentreY + static_cast<int>(i % 4) - 2);
    }
  }

 private:
  int accX_ = kRest, accY_ = kRest, irX_ = kIRCentreX, irY_ = kIRCentreY;
};

}  // namespace

std::string DemoWiimoteScenario() {
  DemoWriter demo;
  demo.Text =
      "# Built-in demonstration (settings: the defaults, Plus and Minus step the volume).\n"
      "battery 180\n";
  demo.Pose(600, kRest, kRest);
  demo.Tap(1000, kBitB);           // B: the cursor on
  demo.Circles(1400, 2, 3000, 6);  // tilted round in circles, pointing round as well
  demo.Tap(7800, kBitDown);        // Down, then Up: the arrow keys
  demo.Tap(8400, kBitUp);          //
  demo.Tap(9200, kBitPlus);        // Plus: volume one step up
  demo.Tap(10200, kBitMinus);      // Minus: and down again
  demo.Tilt(11000, 3000, 30);      // hard right: the cursor hits the edge, the controller rumbles
  demo.Tap(14600, kBitA);          // A: a left click there, at the screen's right edge
  demo.Tilt(15200, 1000, -10);     // back left, away from the edge
  demo.Tap(17000, kBitB);          // B: the cursor off again
  demo.Idle(17400, 40000);         // held still, for the display to stay alive a while
  return demo.Text;
}

}  // namespace kv::sim
