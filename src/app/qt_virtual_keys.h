#pragma once

#include <cstdint>

class QKeyEvent;

namespace kv::app {

// Virtual-key code (the program's key codes: letters 0x41.., digits 0x30.., F1 0x70, ...) of a Qt
// key. `keypad` says the key came from the numeric keypad, whose digits and operators have codes
// of their own. Shifted symbols of a US keyboard give the code of the key that carries them ('!'
// is the 1 key, ':' the ';' key), so a captured key has the name the key-name table gives it.
// Returns 0 for a key without a code.
uint8_t VirtualKeyOfQtKey(int qtKey, bool keypad);

// Virtual-key code of a key event: the native code where the platform's native codes are these
// virtual keys, otherwise the Qt key (and its keypad flag) through the table above. Keysyms, the
// native codes of X11 and Wayland, name the same symbols as Qt keys, so the table is the one
// route there, and the only one on the offscreen platform the GUI tests use.
uint8_t VirtualKeyOfEvent(const QKeyEvent& event);

}  // namespace kv::app
