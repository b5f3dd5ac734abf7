#pragma once

#include <QMainWindow>
#include <memory>

#include "app/qt_timer.h"
#include "core/mainform/main_form_logic.h"
#include "core/port/main_view.h"

namespace kv::app {

// The system services the window hands to its logic, minus what the window itself provides
// (the view and the motion timer).
struct AppServices {
  HidSystem& Hid;
  UiDispatcher& Ui;
  Clock& Time;
  Desktop& Screen;
  InputInjector& Injector;
  KeyNames& Keys;
  ProcessLauncher& Launcher;
  MixerApi& MixerDevices;
  FileStore& Files;
  std::filesystem::path ConfigFile;
};

}  // namespace kv::app

// The main window: caption, timers and the hand-off wake-up; the logic lives in the core.
class TMainForm final : public QMainWindow, public kv::MainView {
  Q_OBJECT

 public:
  explicit TMainForm(const kv::app::AppServices& services, QWidget* parent = nullptr);
  ~TMainForm() override;

  // kv::MainView
  void SetCaption(const std::string& caption) override;
  void ProcessMessages() override;
  void Minimize() override;
  void ShowError(const std::string& message) override;

  kv::TMainFormLogic& Logic() { return *logic_; }

  // Window destruction steps; runs once, after the message loop has ended (the close box, "Exit"
  // and a termination signal all end it). Never from inside the loop: a close that arrives while
  // a handler processes pending messages (the connection set-up does) must not cut into that
  // handler, which would go on writing to the controller after the exit steps.
  void FormDestroy();

 protected:
  // Closing the main window ends the message loop, also while other windows are open.
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void DrawTimerTimer();
  void StopTimers();

  kv::app::AppServices services_;
  kv::app::QtTimer drawTimer_;
  kv::app::QtTimer motionTimer_;
  kv::app::QtTimer repeatTimer_;
  kv::app::QtTimer cursorTimer_;
  kv::app::QtTimer batteryTimer_;
  std::unique_ptr<kv::TMainFormLogic> logic_;
  bool destroyed_ = false;
};
