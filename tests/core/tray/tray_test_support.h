#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/tray/tray_services.h"

namespace kv::test {

// The application as the tray icon sees it; every call is written to a shared log.
class FakeTrayApplication final : public TrayApplication {
 public:
  explicit FakeTrayApplication(std::vector<std::string>& log) : log_(log) {}

  bool Minimized = false;

  bool IsMinimized() override { return Minimized; }
  void HideTaskbarEntry() override { log_.push_back("hide-taskbar"); }
  void BringToForeground() override { log_.push_back("app-foreground"); }
  void BringMainFormToForeground() override { log_.push_back("form-foreground"); }
  void ProcessMessages() override { log_.push_back("process-messages"); }
  std::function<void()>& OnMinimize() override { return onMinimize_; }
  std::function<void()>& OnRestore() override { return onRestore_; }

  // What the application does on a minimise or restore: change state, then run its handler.
  void Minimize() {
    Minimized = true;
    if (onMinimize_) onMinimize_();
  }
  void Restore() {
    Minimized = false;
    if (onRestore_) onRestore_();
  }

 private:
  std::vector<std::string>& log_;
  std::function<void()> onMinimize_;
  std::function<void()> onRestore_;
};

class FakePopupMenu final : public TrayPopupMenu {
 public:
  FakePopupMenu(std::vector<std::string>& log, std::string name)
      : log_(log), name_(std::move(name)) {}
  void Popup(int x, int y) override {
    log_.push_back(name_ + " popup " + std::to_string(x) + "," + std::to_string(y));
  }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

}  // namespace kv::test
