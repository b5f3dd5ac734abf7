#pragma once

namespace kv::test {

// Whether the X display of DISPLAY has a notification area: an owner of the selection
// _NET_SYSTEM_TRAY_S0. False when the display cannot be opened.
bool SystemTrayOwnerExists();

}  // namespace kv::test
