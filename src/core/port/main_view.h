#pragma once

#include <string>

namespace kv {

// What the main-window logic needs of the visible window.
class MainView {
 public:
  virtual ~MainView() = default;

  // Replaces the window caption. Never fails.
  virtual void SetCaption(const std::string& caption) = 0;

  // Lets the application process its pending messages (paint, timers, handed-off reports) and
  // returns when none are left. Handlers may run nested inside this call.
  virtual void ProcessMessages() = 0;

  // Puts the window into the minimised state.
  virtual void Minimize() = 0;

  // Shows the application's standard error box with `message` and returns when it is closed.
  virtual void ShowError(const std::string& message) = 0;
};

}  // namespace kv
