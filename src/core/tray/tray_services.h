#pragma once

#include <functional>

namespace kv {

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
