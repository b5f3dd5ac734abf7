#pragma once

#include <cstdint>
#include <span>

namespace kv::linux_backend {

// The evdev key code (KEY_...) a virtual-key code stands for, as the key sits on a US keyboard;
// 0 for codes without a key. The compositor or X server applies the user's own keymap to the
// code, just as it does for a real keyboard. This is the one table of the uinput backend.
uint16_t EvdevKeyOfVirtualKey(uint8_t virtualKey);

// Every distinct evdev key code of the table, ascending: the keys the virtual keyboard declares.
std::span<const uint16_t> EvdevKeysOfTable();

}  // namespace kv::linux_backend
