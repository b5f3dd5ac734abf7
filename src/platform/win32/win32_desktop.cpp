#include "platform/win32/win32_desktop.h"

#include <windows.h>

namespace kv::win32_backend {

bool Win32Desktop::GetCursorPos(Point& position) {
  POINT point{};
  if (!::GetCursorPos(&point)) return false;
  position = {static_cast<int32_t>(point.x), static_cast<int32_t>(point.y)};
  return true;
}

bool Win32Desktop::SetCursorPos(Point position) {
  return ::SetCursorPos(position.X, position.Y) != FALSE;
}

bool Win32Desktop::IsOnDisplay(Point point) {
  return MonitorFromPoint(POINT{point.X, point.Y}, MONITOR_DEFAULTTONULL) != nullptr;
}

Size Win32Desktop::PrimaryDisplaySize() {
  // GetSystemMetrics gives 0 for both when it fails, which is what "unknown" looks like here.
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace kv::win32_backend
