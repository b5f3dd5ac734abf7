#pragma once

#include <QDialog>
#include <QMainWindow>
#include <functional>
#include <memory>

#include "app/qt_timer.h"
#include "backends/app_services.h"
#include "core/mainform/main_form_logic.h"
#include "core/mainform/main_form_timers.h"
#include "core/port/main_view.h"
#include "core/tray/tray_services.h"

class QMenu;

namespace kv {
class TTrayIcon;
namespace qt_backend {
class QtNotifyArea;
}  // namespace qt_backend
}  // namespace kv

namespace kv::app {
class MainWindowContent;
}  // namespace kv::app

// The main window: live display, menus, caption, timers, tray icon and the hand-off wake-up;
// the program's logic lives in the core.
class TMainForm final : public QMainWindow, public kv::MainView, public kv::TrayApplication {
  Q_OBJECT

 public:
  explicit TMainForm(const kv::app::AppServices& services,
                     kv::SettingsSource settingsSource = kv::SettingsSource::ConfigFile,
                     QWidget* parent = nullptr);
  ~TMainForm() override;

  // kv::MainView
  void SetCaption(const std::string& caption) override;
  void ProcessMessages() override;
  void Minimize() override;
  void ShowError(const std::string& message) override;

  kv::TMainFormLogic& Logic() { return *logic_; }
  kv::app::MainWindowContent& Content() { return *content_; }
  kv::TTrayIcon& TrayIcon1() { return *trayIcon_; }

  // The preferences dialog, created after this window; "Preference" shows it modally.
  void SetOptionForm(QDialog* optionForm) { optionForm_ = optionForm; }

  // Menu and tray handlers.
  void Minimize1Click();
  void Exit1Click();
  void OptionButtonClick();
  void ShowMenuClick();
  void ExitMenuClick();
  void TrayIcon1DblClick();

  // Window destruction steps; runs once, after the message loop has ended (the close box, "Exit"
  // and a termination signal all end it). Never from inside the loop: a close that arrives while
  // a handler processes pending messages (the connection set-up does) must not cut into that
  // handler, which would go on writing to the controller after the exit steps.
  // The exit steps; false when the settings could not be saved (the error box has said so).
  bool FormDestroy();

 protected:
  // Closing the main window ends the message loop, also while other windows are open.
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

  // kv::TrayApplication
  bool IsMinimized() override;
  void HideTaskbarEntry() override;
  void BringToForeground() override;
  void BringMainFormToForeground() override;
  std::function<void()>& OnMinimize() override { return onMinimize_; }
  std::function<void()>& OnRestore() override { return onRestore_; }

 private:
  void DrawTimerTimer();
  bool DisplayShown() const;
  void StopTimers();
  void CreateTrayIcon();
  void Restore();

  kv::app::AppServices services_;
  kv::app::MainWindowContent* content_ = nullptr;
  kv::app::QtTimer motionTimer_;
  kv::app::QtWakeTimer drawWake_;
  kv::app::QtWakeTimer repeatWake_;
  kv::app::QtWakeTimer cursorWake_;
  kv::app::QtWakeTimer batteryWake_;
  std::function<void()> onMinimize_;
  std::function<void()> onRestore_;
  std::unique_ptr<kv::qt_backend::QtNotifyArea> notifyArea_;
  std::unique_ptr<kv::TrayPopupMenu> trayPopupMenu_;
  std::unique_ptr<kv::TTrayIcon> trayIcon_;
  std::unique_ptr<kv::TMainFormLogic> logic_;
  std::unique_ptr<kv::TMainFormTimers> timers_;
  QDialog* optionForm_ = nullptr;
  bool hiddenInTray_ = false;
  bool destroyed_ = false;
};
