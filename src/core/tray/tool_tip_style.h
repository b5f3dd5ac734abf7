#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "core/port/clock.h"
#include "core/port/input_injector.h"
#include "core/port/notify_area.h"
#include "core/ui/ui_dispatcher.h"

namespace kv {

// A set of mouse buttons (the buttons held down, or the shift state of a mouse event).
using TrayButtons = uint8_t;
inline constexpr TrayButtons kTrayButtonLeft = 0x1;
inline constexpr TrayButtons kTrayButtonRight = 0x2;
inline constexpr TrayButtons kTrayButtonMiddle = 0x4;
TrayButtons ButtonBit(MouseButton button);

// Timer that decides whether a release was a single click, and the watcher's check period.
inline constexpr uint32_t kClickTimerId = 7;
inline constexpr uint32_t kLeaveCheckPeriodMs = 100;

// Bounding box of cursor positions, edges inclusive.
struct TrayRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend bool operator==(const TrayRect&, const TrayRect&) = default;
};

// Watches the icon's mouse callbacks: tells single clicks from double clicks, and reports the
// cursor entering and leaving the icon. The shell reports only moves over the icon, never the
// cursor leaving it, so a watcher thread checks every 100 ms whether the cursor is still within
// the area the moves were seen in.
class TToolTipStyle {
 public:
  // Delivers a callback synchronously to the icon's own handling (click and enter/leave codes).
  using SendFn = std::function<void(intptr_t wParam, uint32_t lParam)>;

  TToolTipStyle(NotifyArea& area, Clock& clock, UiDispatcher& ui, SendFn send);
  ~TToolTipStyle();
  TToolTipStyle(const TToolTipStyle&) = delete;
  TToolTipStyle& operator=(const TToolTipStyle&) = delete;

  // A callback of the icon (mouse codes; anything else is ignored).
  void HandleCallback(intptr_t wParam, uint32_t lParam);
  // A timer tick of the icon's window.
  void HandleTimer(uint32_t timerId);
  // The watcher's check, run on the user-interface thread: leaves when the cursor has gone.
  void CheckLeave();

  bool CheckSingleDoubleClick = true;
  bool UseDefault = true;
  uint32_t BackGroundColor = 0;
  uint32_t TextColor = 0;

  TrayButtons ButtonsDown() const { return buttonsDown_; }
  bool ClickPending() const { return clickPending_; }
  bool MouseInside() const { return mouseInside_; }
  const TrayRect& IconArea() const { return iconArea_; }

 private:
  void Pressed(intptr_t wParam, MouseButton button);
  void Released(MouseButton button);
  void DoubleClicked(MouseButton button);
  void ReportClick(MouseButton button);
  void MouseMoved();
  void Leave();
  void ResumeWatcher();
  void StopWatcher();
  void WatcherLoop();
  bool Stopping();

  NotifyArea& area_;
  Clock& clock_;
  UiDispatcher& ui_;
  SendFn send_;

  TrayButtons buttonsDown_ = 0;
  bool clickPending_ = false;
  TrayRect iconArea_;
  bool iconAreaSet_ = false;

  // Shared with the watcher: it waits while the cursor is outside and until told to stop.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<bool> mouseInside_{false};
  bool stop_ = false;
  std::atomic<bool> watcherDone_{false};
  std::thread watcher_;
};

}  // namespace kv
