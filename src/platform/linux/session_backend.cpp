#include "platform/linux/session_backend.h"

#include <cerrno>
#include <string_view>

namespace kv::linux_backend {

PointerBackend SessionPointerBackend(const char* sessionType, const char* waylandDisplay) {
  const std::string_view type = sessionType != nullptr ? sessionType : "";
  if (type == "wayland") return PointerBackend::Uinput;
  if (type == "x11") return PointerBackend::X11;
  const bool waylandRunning = waylandDisplay != nullptr && *waylandDisplay != '\0';
  return waylandRunning ? PointerBackend::Uinput : PointerBackend::X11;
}

std::string UinputAccessHint(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "the kernel offers no /dev/uinput: load its module with 'sudo modprobe uinput' "
             "(to load it at every start: echo uinput | sudo tee /etc/modules-load.d/uinput.conf)";
    case EACCES:
    case EPERM:
      return "this user may not use /dev/uinput: install the package's udev rule "
             "70-kestrovane.rules into /etc/udev/rules.d, run 'sudo udevadm control --reload' "
             "and 'sudo udevadm trigger /dev/uinput' (or log in again)";
    default:
      return "the pointer and keys of a Wayland desktop need /dev/uinput";
  }
}

}  // namespace kv::linux_backend
