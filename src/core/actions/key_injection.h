#pragma once

#include <cstdint>
#include <string_view>

namespace kv {

class InputInjector;
class KeyNames;

// Virtual-key codes of the modifiers a key combination presses.
inline constexpr uint8_t kVkShift = 0x10;
inline constexpr uint8_t kVkControl = 0x11;
inline constexpr uint8_t kVkMenu = 0x12;  // Alt
inline constexpr uint8_t kVkLeftWindows = 0x5B;

// Types a key-combination text once: modifiers down (Alt, Ctrl, Shift, then the Windows key),
// the key down and up, modifiers up in the mirror order. A text that names no valid combination
// types no modifiers, but a Windows-key part is typed even then.
void SendKeyCombination(std::string_view text, InputInjector& injector, KeyNames& keyNames);

}  // namespace kv
