#include "qt/x11_probe.h"

#include <X11/Xlib.h>

namespace kv::test {

// Kept apart from the Qt tests because Xlib's macros clash with Qt's and gtest's names.
bool SystemTrayOwnerExists() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  const Atom selection = XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False);
  const bool owned = XGetSelectionOwner(display, selection) != 0;
  XCloseDisplay(display);
  return owned;
}

}  // namespace kv::test
