#pragma once

#include <cstdint>
#include <string>

#include "core/port/desktop.h"

namespace kv {

// Opaque handle of an icon image known to the notification-area backend; 0 is "no icon".
using IconHandle = std::uintptr_t;
inline constexpr IconHandle kNoIcon = 0;

// Error codes a failed notification-area request leaves behind (NotifyArea::LastError).
// A time-out means the shell was busy and the icon may well have been registered anyway.
inline constexpr uint32_t kErrorTimeout = 1460;
// Any other failure: the request was refused or there is no notification area at all.
inline constexpr uint32_t kErrorGenFailure = 31;

// What a request asks of the notification area.
enum class NotifyRequest : uint32_t { Add = 0, Modify = 1, Delete = 2 };

// Flags of NotifyIconRecord::Flags: which fields of the record the request carries.
inline constexpr uint32_t kNotifyFlagMessage = 0x1;
inline constexpr uint32_t kNotifyFlagIcon = 0x2;
inline constexpr uint32_t kNotifyFlagTip = 0x4;
inline constexpr uint32_t kNotifyFlagInfo = 0x10;  // show the balloon; never set by this program

// Record sizes: the long form carries the balloon fields and is understood from shell 5.0 on.
inline constexpr uint32_t kNotifyRecordSizeLong = 488;
inline constexpr uint32_t kNotifyRecordSizeShort = 88;

// Message number of the icon's callbacks, and the codes that arrive as its lParam.
inline constexpr uint32_t kTrayCallbackMessage = 1224;
inline constexpr uint32_t kWmMouseMove = 512;
inline constexpr uint32_t kWmLButtonDown = 513;
inline constexpr uint32_t kWmLButtonUp = 514;
inline constexpr uint32_t kWmLButtonDblClk = 515;
inline constexpr uint32_t kWmRButtonDown = 516;
inline constexpr uint32_t kWmRButtonUp = 517;
inline constexpr uint32_t kWmRButtonDblClk = 518;
inline constexpr uint32_t kWmMButtonDown = 519;
inline constexpr uint32_t kWmMButtonUp = 520;
inline constexpr uint32_t kWmMButtonDblClk = 521;
// Codes the program sends itself: cursor entered / left the icon, a single click (wParam =
// button: 0 left, 1 right, 2 middle).
inline constexpr uint32_t kMouseEnterCode = 1234;
inline constexpr uint32_t kMouseExitCode = 1235;
inline constexpr uint32_t kMouseClickCode = 1236;

// wParam of the shell's own callbacks (the icon ID), and of presses the program re-posts.
inline constexpr intptr_t kTrayIconId = 1;
inline constexpr intptr_t kRepostedPress = -1;

// The one icon record every request sends. The backend owns the window the callbacks go to.
struct NotifyIconRecord {
  uint32_t Size = kNotifyRecordSizeLong;
  uint32_t Id = kTrayIconId;
  uint32_t Flags = 0;
  uint32_t CallbackMessage = kTrayCallbackMessage;
  IconHandle Icon = kNoIcon;
  std::string Tip;  // at most 127 bytes
  uint32_t State = 0;
  uint32_t StateMask = 0;
  std::string BalloonText;  // at most 255 bytes
  uint32_t BalloonTimeOut = 0;
  std::string BalloonTitle;   // at most 63 bytes
  uint32_t BalloonFlags = 0;  // balloon icon: 0 none, 1 info, 2 warning, 3 error
};

// Receives what happens at the icon. Every call arrives on the user-interface thread.
class NotifyAreaSink {
 public:
  virtual ~NotifyAreaSink() = default;

  // A callback of the icon: a mouse code of the shell, or one the program posted itself.
  virtual void OnTrayCallback(intptr_t wParam, uint32_t lParam) = 0;

  // The shell's notification area was (re)created, e.g. after the taskbar restarted; icons
  // registered before are gone.
  virtual void OnTaskbarCreated() = 0;

  // A timer started with StartTimer elapsed (it keeps firing until killed).
  virtual void OnTimer(uint32_t timerId) = 0;
};

// The desktop's notification area ("system tray") for one icon, plus the few user-interface
// services the icon's click and hover tracking needs. Called on the user-interface thread only.
class NotifyArea {
 public:
  virtual ~NotifyArea() = default;

  // Where callbacks, restart notices and timer ticks go; nullptr stops them. Never fails.
  virtual void SetSink(NotifyAreaSink* sink) = 0;

  // Sends one request with the record. Returns false on failure; LastError then tells why.
  virtual bool Request(NotifyRequest request, const NotifyIconRecord& record) = 0;

  // Error code of the most recent failed request: kErrorTimeout, kErrorGenFailure or a
  // system code. 0 when no request has failed yet.
  virtual uint32_t LastError() = 0;

  // Brings the icon's own window to the foreground (done before add and modify requests so
  // the shell accepts them from a background program). Failure is ignored, as it is harmless.
  virtual void BringToForeground() = 0;

  // Version of the shell as major * 65536 + minor; 0 when it cannot be determined.
  virtual uint32_t ShellVersion() = 0;

  // The application's own icon, used when no other image is set; kNoIcon if there is none.
  virtual IconHandle ApplicationIcon() = 0;

  // An icon image by resource name; kNoIcon when there is no such resource.
  virtual IconHandle LoadIcon(const std::string& name) = 0;

  // Starts (or restarts) periodic timer `timerId`, ticking through NotifyAreaSink::OnTimer.
  // Never fails.
  virtual void StartTimer(uint32_t timerId, uint32_t periodMs) = 0;

  // Stops timer `timerId`; a timer that is not running is ignored.
  virtual void KillTimer(uint32_t timerId) = 0;

  // The desktop's double-click time in milliseconds (a sane default when unknown).
  virtual uint32_t DoubleClickTimeMs() = 0;

  // Cursor position in desktop pixels; {0, 0} when it cannot be read.
  virtual Point CursorPos() = 0;

  // Queues a callback to this icon; it arrives later through OnTrayCallback, after the
  // events already queued. Never fails.
  virtual void PostCallback(intptr_t wParam, uint32_t lParam) = 0;

  // The shell's tooltip of the icons: set its colours (0x00BBGGRR), close it, or give it back
  // the system's tooltip colours. Ignored where the tooltip cannot be reached.
  virtual void SetTipColors(uint32_t background, uint32_t text) = 0;
  virtual void PopTip() = 0;
  virtual void ResetTipColors() = 0;
};

}  // namespace kv
