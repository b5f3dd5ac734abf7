#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QWidget;

namespace kv::app {

// Arranges for `closeMainWindow` to run on the event loop when the system asks the program to
// end in order. Keep the returned object as long as the loop runs; it may be null where the
// toolkit already closes the windows itself. One implementation per platform, chosen by the build.
std::unique_ptr<QObject> WatchTermination(std::function<void()> closeMainWindow);

// What a termination request (SIGTERM, SIGINT: a desktop session's logout) does, by where the
// program is. In every case the program ends in order: settings saved, controller told.
//   - While the main window is built: a box opened by its creation steps is closed, and the
//     program then skips the message loop and goes straight to the exit steps.
//   - In the message loop: open boxes and dialogs are closed and the main window closes, which
//     ends the loop.
//   - In the exit steps: a box still open (a failed save of the settings, already reported there)
//     is closed, so that the exit steps finish.
class TerminationControl {
 public:
  void Request();
  bool Requested() const { return requested_; }

  // The message loop starts with `mainWindow`, and ends.
  void LoopStarts(QWidget* mainWindow) { mainWindow_ = mainWindow; }
  void LoopEnded() { mainWindow_ = nullptr; }

 private:
  bool requested_ = false;
  QWidget* mainWindow_ = nullptr;
};

// Closes every visible modal window (message boxes, modal dialogs) as Escape would.
void CloseModalWindows();

}  // namespace kv::app
