#include "core/tray/tool_tip_style.h"

#include <algorithm>
#include <utility>

#include "core/ui/thread_name.h"

namespace kv {

namespace {

// The press, release and double-click codes of one button.
struct ButtonCodes {
  MouseButton Button;
  uint32_t Down;
  uint32_t Up;
  uint32_t DblClk;
};

constexpr ButtonCodes kButtonCodes[] = {
    {MouseButton::Left, kWmLButtonDown, kWmLButtonUp, kWmLButtonDblClk},
    {MouseButton::Right, kWmRButtonDown, kWmRButtonUp, kWmRButtonDblClk},
    {MouseButton::Middle, kWmMButtonDown, kWmMButtonUp, kWmMButtonDblClk},
};

}  // namespace

TrayButtons ButtonBit(MouseButton button) {
  switch (button) {
    case MouseButton::Left:
      return kTrayButtonLeft;
    case MouseButton::Right:
      return kTrayButtonRight;
    case MouseButton::Middle:
      return kTrayButtonMiddle;
  }
  return 0;
}

TToolTipStyle::TToolTipStyle(NotifyArea& area, Clock& clock, UiDispatcher& ui, SendFn send)
    : area_(area), clock_(clock), ui_(ui), send_(std::move(send)) {}

TToolTipStyle::~TToolTipStyle() {
  StopWatcher();
  // Whatever the colour setting, leave the shell's tooltip closed and in its own colours.
  area_.PopTip();
  area_.ResetTipColors();
}

void TToolTipStyle::HandleCallback(intptr_t wParam, uint32_t lParam) {
  if (lParam == kWmMouseMove) {
    MouseMoved();
    return;
  }
  for (const ButtonCodes& codes : kButtonCodes) {
    if (lParam == codes.Down) {
      Pressed(wParam, codes.Button);
    } else if (lParam == codes.Up) {
      Released(codes.Button);
    } else if (lParam == codes.DblClk) {
      DoubleClicked(codes.Button);
    }
  }
}

void TToolTipStyle::Pressed(intptr_t wParam, MouseButton button) {
  // Our own re-posted presses (wParam -1) only pass through to the icon's handler.
  if (wParam >= 0) buttonsDown_ |= ButtonBit(button);
}

void TToolTipStyle::Released(MouseButton button) {
  if (!CheckSingleDoubleClick) {
    ReportClick(button);
    return;
  }
  // Wait one double-click time: a double click within it cancels the single click.
  if (!clickPending_) {
    area_.StartTimer(kClickTimerId, area_.DoubleClickTimeMs());
    clickPending_ = true;
  }
}

void TToolTipStyle::DoubleClicked(MouseButton button) {
  clickPending_ = false;
  buttonsDown_ &= static_cast<TrayButtons>(~ButtonBit(button));
  // The shell reports the second press of a double click only as the double click; hand the
  // press on as well so that presses open menus and raise mouse-down as usual.
  for (const ButtonCodes& codes : kButtonCodes) {
    if (codes.Button == button) area_.PostCallback(kRepostedPress, codes.Down);
  }
}

void TToolTipStyle::HandleTimer(uint32_t timerId) {
  if (timerId != kClickTimerId) return;
  area_.KillTimer(kClickTimerId);
  if (!clickPending_) return;
  if (buttonsDown_ & kTrayButtonLeft) {
    ReportClick(MouseButton::Left);
  } else if (buttonsDown_ & kTrayButtonRight) {
    ReportClick(MouseButton::Right);
  } else {
    ReportClick(MouseButton::Middle);
  }
}

void TToolTipStyle::ReportClick(MouseButton button) {
  if (buttonsDown_ & ButtonBit(button)) {
    send_(static_cast<intptr_t>(button), kMouseClickCode);
  }
  clickPending_ = false;
  buttonsDown_ &= static_cast<TrayButtons>(~ButtonBit(button));
}

void TToolTipStyle::MouseMoved() {
  const Point p = area_.CursorPos();
  if (!iconAreaSet_) {
    iconArea_ = {p.X, p.Y, p.X, p.Y};
    iconAreaSet_ = true;
  } else {
    // Never shrinks: the area grows to every position the shell reported over the icon.
    iconArea_.Left = std::min(iconArea_.Left, p.X);
    iconArea_.Top = std::min(iconArea_.Top, p.Y);
    iconArea_.Right = std::max(iconArea_.Right, p.X);
    iconArea_.Bottom = std::max(iconArea_.Bottom, p.Y);
  }
  if (mouseInside_) return;
  {
    std::lock_guard lock(mutex_);
    mouseInside_ = true;
  }
  if (!UseDefault) area_.SetTipColors(BackGroundColor, TextColor);
  ResumeWatcher();
  send_(0, kMouseEnterCode);
}

void TToolTipStyle::CheckLeave() {
  if (Stopping() || !mouseInside_) return;
  const Point p = area_.CursorPos();
  const bool inside = p.X >= iconArea_.Left && p.X <= iconArea_.Right && p.Y >= iconArea_.Top &&
                      p.Y <= iconArea_.Bottom;
  if (!inside) Leave();
}

void TToolTipStyle::Leave() {
  {
    std::lock_guard lock(mutex_);
    mouseInside_ = false;
  }
  if (!UseDefault) {
    area_.PopTip();
    area_.ResetTipColors();
  }
  send_(0, kMouseExitCode);
}

void TToolTipStyle::ResumeWatcher() {
  if (!watcher_.joinable()) {
    watcher_ = std::thread([this] {
      NameCurrentThread("kv-tooltip");
      WatcherLoop();
    });
  }
  wake_.notify_all();
}

bool TToolTipStyle::Stopping() {
  std::lock_guard lock(mutex_);
  return stop_;
}

void TToolTipStyle::WatcherLoop() {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || mouseInside_.load(); });
      if (stop_) break;
    }
    clock_.SleepMs(kLeaveCheckPeriodMs);
    if (Stopping()) break;
    // Refused only when the user-interface thread no longer takes work: nothing left to watch.
    if (!ui_.RunSync([this] { CheckLeave(); })) break;
  }
  watcherDone_ = true;
  ui_.NotifyWaiters();
}

void TToolTipStyle::StopWatcher() {
  if (!watcher_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  // The watcher may be waiting for the user-interface thread, which is this one.
  ui_.Join(watcher_, watcherDone_);
}

}  // namespace kv
