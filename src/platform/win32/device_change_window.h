#pragma once

#include <functional>
#include <memory>

namespace kv::win32_backend {

// A hidden top-level window on a thread of its own that receives the system's device-change
// broadcasts. Top-level, because the system broadcasts only to top-level windows (a message-only
// window would hear nothing). It calls the handler on its own thread for WM_DEVICECHANGE with
// DBT_DEVNODES_CHANGED, and answers WM_QUERYENDSESSION with 1 so it never holds up the end of a
// session.
class DeviceChangeWindow {
 public:
  DeviceChangeWindow() = default;
  ~DeviceChangeWindow();
  DeviceChangeWindow(const DeviceChangeWindow&) = delete;
  DeviceChangeWindow& operator=(const DeviceChangeWindow&) = delete;

  // Creates the window and its thread. Returns false (with the system's last error of the
  // failing call on the calling thread) when the window cannot be created.
  bool Start(std::function<void()> onChange);

  // Destroys the window. Returns once the handler is not running and will not run again; when
  // called from inside the handler, it returns at once and the thread ends after the handler.
  void Stop();

  // The window's handle (an HWND), for tests; null when not running.
  void* Handle() const;

  // The window class of every such window.
  static const char* ClassName();

  // What the window's thread shares with the owner (defined with the implementation).
  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace kv::win32_backend
