#pragma once

#include <functional>

namespace kv {

// How a tray worker thread gets work run on the user-interface thread.
class TrayUiHandOff {
 public:
  virtual ~TrayUiHandOff() = default;

  // Worker side: runs `work` on the user-interface thread and returns once it has run there.
  virtual void RunOnUiThread(const std::function<void()>& work) = 0;

  // Worker side: wakes a WaitWhileServing so that it tests its condition again.
  virtual void Wake() = 0;

  // User-interface side: returns once `done()` holds, meanwhile running the work workers hand
  // over, so that a worker blocked in RunOnUiThread can still reach its end. Runs everything
  // queued before each test of `done`.
  virtual void WaitWhileServing(const std::function<bool()>& done) = 0;
};

// A popup menu the icon opens on a button press; the menu itself lives in the application.
class TrayPopupMenu {
 public:
  virtual ~TrayPopupMenu() = default;

  // Opens the menu at desktop position (x, y). May run a nested message loop until it closes.
  virtual void Popup(int x, int y) = 0;
};

// What the icon needs of the application: its minimised state, its taskbar entry, and the
// application-wide minimise and restore handlers the icon chains itself into.
class TrayApplication {
 public:
  virtual ~TrayApplication() = default;

  // Whether the application is minimised.
  virtual bool IsMinimized() = 0;

  // Hides the application's taskbar entry (restoring the application shows it again).
  virtual void HideTaskbarEntry() = 0;

  // Brings the application to the foreground (before a popup menu opens, so the menu closes
  // again when the user clicks elsewhere).
  virtual void BringToForeground() = 0;

  // Brings the main window to the foreground (after a restore).
  virtual void BringMainFormToForeground() = 0;

  // Runs the events waiting in the user-interface thread's queue.
  virtual void ProcessMessages() = 0;

  // The application's handlers, called when it was minimised and when it was restored.
  virtual std::function<void()>& OnMinimize() = 0;
  virtual std::function<void()>& OnRestore() = 0;
};

}  // namespace kv
