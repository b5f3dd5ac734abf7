#include "platform/qt/tray_presence.h"

#include <xcb/xcb.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <cstdlib>
#include <string>

namespace kv::qt_backend {

namespace {

// The panel of X screen N owns the selection _NET_SYSTEM_TRAY_SN.
bool XEmbedTrayOwned(xcb_connection_t* connection) {
  int screen = 0;
  char* host = nullptr;
  int display = 0;
  if (xcb_parse_display(nullptr, &host, &display, &screen) == 0) screen = 0;
  std::free(host);
  const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()),
      nullptr);
  if (atom == nullptr) return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) return false;  // no panel ever named it
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, selection), nullptr);
  if (owner == nullptr) return false;
  const bool owned = owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  return owned;
}

}  // namespace

// Desktops that host icons over D-Bus (StatusNotifierItem) may have no X11 panel at all.
bool StatusNotifierHostRegistered() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusInterface watcher("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                         "org.kde.StatusNotifierWatcher", bus);
  return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

bool NotificationAreaPresent() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  // Without X11 (a native Wayland window) only a D-Bus icon host can show the icon.
  if (x11 == nullptr || x11->connection() == nullptr) return StatusNotifierHostRegistered();
  return XEmbedTrayOwned(x11->connection()) || StatusNotifierHostRegistered();
}

}  // namespace kv::qt_backend
