#pragma once

namespace kv::qt_backend {

// Whether the desktop has a notification area that would show Qt's icon right now.
//
// Qt alone is not enough on X11: once its icon has been hidden, Qt keeps believing in a panel
// that has since gone away, and a shown icon would then be nowhere. So on X11 the answer also
// needs a current owner of the panel's selection or a registered D-Bus icon host. Elsewhere
// (Wayland) the registered D-Bus icon host is the whole answer: there is no other tray.
bool NotificationAreaPresent();

// Whether a D-Bus icon host (StatusNotifierItem) is registered on the session bus. Qt shows its
// icon through such a host whenever there is one, also on X11.
bool StatusNotifierHostRegistered();

}  // namespace kv::qt_backend
