#pragma once

#include <string>

namespace kv::linux_backend {

// How the program moves the pointer and types: through the X server (XTest, exact positions
// read back) or through uinput devices, the only way that reaches a Wayland desktop.
enum class PointerBackend { X11, Uinput };

// The backend a session calls for: uinput when XDG_SESSION_TYPE is "wayland", X11 when it is
// "x11"; otherwise (unset, "tty", ...) uinput when WAYLAND_DISPLAY is set, else X11. Null
// pointers count as unset.
PointerBackend SessionPointerBackend(const char* sessionType, const char* waylandDisplay);

// What to tell the user when /dev/uinput could not be opened with `errorNumber`.
std::string UinputAccessHint(int errorNumber);

}  // namespace kv::linux_backend
