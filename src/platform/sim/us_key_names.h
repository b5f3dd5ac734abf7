#pragma once

#include <cstdint>
#include <string>

#include "core/port/key_names.h"

namespace kv::sim {

// The names a US keyboard layout gives the keys that key combinations do not name themselves:
// keypad operators, punctuation, lock keys, modifiers, the logo and menu keys. A fixed table, so
// the names are the same on every machine and in every test. Keys that a US keyboard lacks (IME
// keys, media keys, codes below 8 that no key combination can reach) and the keys the program
// names itself get an empty text.
//
// No name starts with a modifier prefix or "^", contains "Win", or differs from another name only
// in letter case, so every name reads back as the key that produced it.
class UsKeyNames final : public KeyNames {
 public:
  std::string NameOfKey(uint8_t virtualKey) override;
};

}  // namespace kv::sim
