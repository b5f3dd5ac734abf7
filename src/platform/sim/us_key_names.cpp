#include "platform/sim/us_key_names.h"

#include <array>
#include <string_view>

namespace kv::sim {

namespace {

constexpr std::array<std::string_view, 256> MakeUsKeyNames() {
  std::array<std::string_view, 256> names{};
  names[0x0C] = "Clear";  // keypad 5 without Num Lock
  names[0x10] = "Shift";
  names[0x11] = "Ctrl";
  names[0x12] = "Alt";
  names[0x13] = "Pause";
  names[0x14] = "Caps Lock";
  names[0x2C] = "Print Screen";
  // The logo keys are not called "Windows": key-combination texts drop every "Win" they contain.
  names[0x5B] = "Left Super";
  names[0x5C] = "Right Super";
  names[0x5D] = "Application";
  names[0x6A] = "Num *";
  names[0x6B] = "Num +";
  names[0x6D] = "Num -";
  names[0x6E] = "Num .";
  names[0x6F] = "Num /";
  names[0x90] = "Num Lock";
  names[0x91] = "Scroll Lock";
  names[0xA0] = "Left Shift";
  names[0xA1] = "Right Shift";
  names[0xA2] = "Left Ctrl";
  names[0xA3] = "Right Ctrl";
  names[0xA4] = "Left Alt";
  names[0xA5] = "Right Alt";
  names[0xBA] = ";";
  names[0xBB] = "=";
  names[0xBC] = ",";
  names[0xBD] = "-";
  names[0xBE] = ".";
  names[0xBF] = "/";
  names[0xC0] = "`";
  names[0xDB] = "[";
  names[0xDC] = "\\";
  names[0xDD] = "]";
  names[0xDE] = "'";
  return names;
}

constexpr std::array<std::string_view, 256> kUsKeyNames = MakeUsKeyNames();

}  // namespace

std::string UsKeyNames::NameOfKey(uint8_t virtualKey) {
  return std::string(kUsKeyNames[virtualKey]);
}

}  // namespace kv::sim
