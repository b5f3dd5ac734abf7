#pragma once

#include <cstdint>
#include <string>

#include "core/port/notify_area.h"

namespace kv::win32_backend {

// The taskbar's notification area through Shell_NotifyIconA.
//
// Each area owns a hidden tool window of the class "TaskTrayHandle", created on the thread that
// constructs the area (the user-interface thread, whose event loop dispatches its messages).
// The shell's callbacks, the "TaskbarCreated" broadcast and the timers all arrive there and go
// to the sink on that thread. The window answers WM_QUERYENDSESSION with 1, so it never holds up
// the end of a session.
//
// Record sizes: the long form is sent as the system's version-2 record and the short form as its
// version-1 record; on 32-bit Windows these are exactly 488 and 88 bytes.
class Win32NotifyArea final : public NotifyArea {
 public:
  Win32NotifyArea();
  ~Win32NotifyArea() override;
  Win32NotifyArea(const Win32NotifyArea&) = delete;
  Win32NotifyArea& operator=(const Win32NotifyArea&) = delete;

  // The hidden window (an HWND); null when it could not be created, and then every request
  // fails with the error of its creation.
  void* Window() const { return window_; }

  // The registered message number of the shell's "TaskbarCreated" broadcast; 0 if refused.
  static uint32_t TaskbarCreatedMessage();

  // The shell's version from shell32.dll: its version resource, replaced by what its
  // DllGetVersion reports where that is exported and succeeds. 0 when neither is available.
  static uint32_t ReadShellVersion();

  // The version from a version resource's "FileVersion" text: the number in the first
  // character is the major, the number in the third and fourth characters the minor
  // ("6.00.2900.2180" gives 6.0). 0 when the text does not have that form.
  static uint32_t ParseFileVersion(const std::string& text);

  void SetSink(NotifyAreaSink* sink) override { sink_ = sink; }
  // Fails with the system's last error of Shell_NotifyIconA (kErrorGenFailure if it set none).
  bool Request(NotifyRequest request, const NotifyIconRecord& record) override;
  uint32_t LastError() override { return lastError_; }
  void BringToForeground() override;
  uint32_t ShellVersion() override { return shellVersion_; }
  // The executable's first icon resource, else the system's application icon.
  IconHandle ApplicationIcon() override;
  // An icon resource of the executable by name ("#5" for number 5).
  IconHandle LoadIcon(const std::string& name) override;
  void StartTimer(uint32_t timerId, uint32_t periodMs) override;
  void KillTimer(uint32_t timerId) override;
  // 500 ms when the system reports none.
  uint32_t DoubleClickTimeMs() override;
  Point CursorPos() override;
  void PostCallback(intptr_t wParam, uint32_t lParam) override;
  // The shell's tooltip window is looked up once, at construction.
  void SetTipColors(uint32_t background, uint32_t text) override;
  void PopTip() override;
  void ResetTipColors() override;

  // Handles one message of the window; returns false for those left to the system's default.
  bool HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t& result);

 private:
  void SendToTip(uint32_t message, uintptr_t wParam);

  void* window_ = nullptr;
  void* tipWindow_ = nullptr;
  uint32_t windowError_ = 0;
  uint32_t shellVersion_ = 0;
  uint32_t lastError_ = 0;
  NotifyAreaSink* sink_ = nullptr;
};

}  // namespace kv::win32_backend
