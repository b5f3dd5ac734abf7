#pragma once

#include <functional>

#include "core/port/clock.h"
#include "core/port/timer.h"
#include "core/ui/grid_timer.h"

namespace kv {

class TMainFormLogic;

// The application's single-shot wake-ups behind the four periodic timers of the main window.
struct MainFormWakeTimers {
  WakeTimer& Draw;
  WakeTimer& Repeat;
  WakeTimer& Cursor;
  WakeTimer& Battery;
};

// The main window's draw, repeat, cursor-step and battery timers (the pointer tick is switched by
// cursor on and off and runs on its own). They run from window creation on their fixed grids; with
// the lazy schedule a timer wakes the process only for ticks that can do something:
//   RepeatTimer   while a button is held
//   CursorTimer   while a button is held or a cursor-step velocity is still decaying
//   BatteryTimer  while a controller is checked out, and without one until its "Device not found"
//                 stands in the caption (later ticks would only write the same text again)
//   DrawTimer     while the display is shown and something it shows may have changed
// Every handler of the logic reports a possible change afterwards, which wakes the timers that
// can act again at their next grid point, so each tick that runs runs at the same moment as it
// would on the eager schedule.
class TMainFormTimers {
 public:
  // `drawTimerTimer` redraws the display; `displayShown` tells whether the window can be seen.
  TMainFormTimers(TMainFormLogic& logic, Clock& clock, const MainFormWakeTimers& wake,
                  TickSchedule schedule, std::function<void()> drawTimerTimer,
                  std::function<bool()> displayShown);
  ~TMainFormTimers();

  TMainFormTimers(const TMainFormTimers&) = delete;
  TMainFormTimers& operator=(const TMainFormTimers&) = delete;

  // Starts the four grids now; stops them.
  void Start();
  void Stop();

  // Wakes the timers whose ticks can act again.
  void Refresh();
  // The display may show something stale (state changed, or the window was shown again).
  void DisplayChanged();
  // Whether the display has changes it has not drawn yet.
  bool DisplayStale() const { return displayStale_; }
  // Draws now if the display is shown and stale; for a window that was just shown again.
  void DrawIfStale();

  GridTimer& DrawTimer() { return drawTimer_; }
  GridTimer& RepeatTimer() { return repeatTimer_; }
  GridTimer& CursorTimer() { return cursorTimer_; }
  GridTimer& BatteryTimer() { return batteryTimer_; }

 private:
  void DrawTimerTimer();
  bool DisplayShown() const;
  bool AnyButtonHeld() const;
  bool CursorTickCanAct() const;
  bool BatteryTickCanAct() const;

  TMainFormLogic& logic_;
  const TickSchedule schedule_;
  std::function<void()> draw_;
  std::function<bool()> displayShown_;
  bool displayStale_ = true;
  GridTimer drawTimer_;
  GridTimer repeatTimer_;
  GridTimer cursorTimer_;
  GridTimer batteryTimer_;
};

}  // namespace kv
