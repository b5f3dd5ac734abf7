#include "app/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QShowEvent>

#include "app/main_menu.h"
#include "app/main_window_content.h"
#include "core/tray/tray_icon.h"
#include "core/ui/ui_dispatcher.h"
#include "platform/qt/qt_notify_area.h"

namespace {

// Posted once per hand-off so the event loop drains the UI-thread queue.
const QEvent::Type kDrainEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// The tray icon's right-button menu: "Show" and "Exit".
class QtTrayPopupMenu final : public kv::TrayPopupMenu {
 public:
  explicit QtTrayPopupMenu(QMenu* menu) : menu_(menu) {}
  void Popup(int x, int y) override { menu_->exec(QPoint(x, y)); }

 private:
  QMenu* menu_;
};

}  // namespace

TMainForm::TMainForm(const kv::app::AppServices& services, kv::SettingsSource settingsSource,
                     QWidget* parent)
    : QMainWindow(parent),
      services_(services),
      motionTimer_(kv::kMotionTimerMs, [this] { logic_->MotionTimerTimer(); }),
      drawWake_([this] { timers_->DrawTimer().Fire(); }),
      repeatWake_([this] { timers_->RepeatTimer().Fire(); }),
      cursorWake_([this] { timers_->CursorTimer().Fire(); }),
      batteryWake_([this] { timers_->BatteryTimer().Fire(); }) {
  // A fixed single-border window with a minimise box and no maximise box.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QApplication::applicationName());
  setFont(kv::app::MainWindowContent::WindowFont());
  content_ = new kv::app::MainWindowContent(this);
  setCentralWidget(content_);
  kv::app::BuildMainMenu(
      menuBar(),
      {[this] { Minimize1Click(); }, [this] { Exit1Click(); },
       [this] { logic_->CursorOnOffButtonClick(); }, [this] { logic_->CalibrateButtonClick(); },
       [this] { logic_->IRResetButtonClick(); }, [this] { OptionButtonClick(); }});
  setFixedSize(content_->width(), content_->height() + menuBar()->sizeHint().height());

  // Worker threads hand their calls over through the dispatcher; one posted event per call
  // wakes the event loop, which drains the queue on this thread.
  services_.Ui.SetWaker([this] {
    QCoreApplication::postEvent(this, new QEvent(kDrainEvent), Qt::HighEventPriority);
  });
  CreateTrayIcon();

  const kv::MainFormServices logicServices{
      services_.Hid,          services_.Ui,       services_.Time, *this,
      services_.Screen,       services_.Injector, services_.Keys, services_.Launcher,
      services_.MixerDevices, services_.Files,    motionTimer_};
  logic_ = std::make_unique<kv::TMainFormLogic>(logicServices, kv::Wiimote, kv::Settings,
                                                services_.ConfigFile, settingsSource);
  // The timers run from window creation on their fixed grids, also while a box opened by the
  // creation steps (no notification area for a window minimised at start) waits for the user,
  // but wake the process only for ticks that can do something.
  timers_ = std::make_unique<kv::TMainFormTimers>(
      *logic_, services_.Time,
      kv::MainFormWakeTimers{drawWake_, repeatWake_, cursorWake_, batteryWake_},
      kv::TickSchedule::Lazy, [this] { DrawTimerTimer(); }, [this] { return DisplayShown(); });
  timers_->Start();
  logic_->FormCreate();
}

TMainForm::~TMainForm() {
  StopTimers();
  timers_.reset();
  services_.Ui.SetWaker(nullptr);
  // The HID controller stops its read threads while it is destroyed with the logic; hand-offs
  // still queued are drained while it waits for them.
  logic_.reset();
  trayIcon_.reset();
}

void TMainForm::CreateTrayIcon() {
  notifyArea_ = std::make_unique<kv::qt_backend::QtNotifyArea>();
  QMenu* popup = kv::app::BuildTrayPopupMenu(
      this, [this] { ShowMenuClick(); }, [this] { ExitMenuClick(); });
  trayPopupMenu_ = std::make_unique<QtTrayPopupMenu>(popup);
  trayIcon_ = std::make_unique<kv::TTrayIcon>(*notifyArea_, services_.Time, services_.Ui, *this);
  trayIcon_->SetIcon(notifyArea_->AddImage(QApplication::windowIcon()));
  kv::SetMainWindowTrayIconProperties(*trayIcon_);
  trayIcon_->RButtonPopupMenu = trayPopupMenu_.get();
  trayIcon_->OnDblClick = [this] { TrayIcon1DblClick(); };
  trayIcon_->SetOnError([this](const kv::ENotifyIconError& error) { ShowError(error.what()); });
  trayIcon_->Loaded();
}

void TMainForm::SetCaption(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
}

void TMainForm::ProcessMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  services_.Ui.Drain();
}

void TMainForm::Minimize() { setWindowState(windowState() | Qt::WindowMinimized); }

void TMainForm::ShowError(const std::string& message) {
  QMessageBox::critical(this, QApplication::applicationName(), QString::fromStdString(message));
}

void TMainForm::DrawTimerTimer() {
  const kv::app::DisplayState state{logic_->Histories(), logic_->WiimoteState(),
                                    logic_->SettingsRecord().BaseX, logic_->SettingsRecord().BaseY,
                                    logic_->CursorOn()};
  content_->DrawDisplay(state);
  content_->ShowStatus(state);
}

// Hidden in the notification area or minimised, the display is not drawn; it is drawn again as
// soon as the window is shown.
bool TMainForm::DisplayShown() const { return isVisible() && !isMinimized(); }

void TMainForm::Minimize1Click() { Minimize(); }

void TMainForm::Exit1Click() { close(); }

void TMainForm::OptionButtonClick() {
  if (optionForm_ == nullptr) return;
  optionForm_->exec();
  // The dialog may have changed what the display shows (the rest values of the tilt).
  if (timers_) timers_->DisplayChanged();
}

void TMainForm::ShowMenuClick() { Restore(); }

void TMainForm::ExitMenuClick() { QCoreApplication::quit(); }

void TMainForm::TrayIcon1DblClick() { Restore(); }

void TMainForm::Restore() {
  hiddenInTray_ = false;
  showNormal();
}

bool TMainForm::FormDestroy() {
  if (destroyed_) return true;
  destroyed_ = true;
  StopTimers();
  return logic_->FormDestroy();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  event->accept();
  // "Exit" ends the program also while the window is hidden in the notification area.
  QCoreApplication::quit();
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const auto* change = static_cast<QWindowStateChangeEvent*>(event);
  const bool wasMinimized = change->oldState().testFlag(Qt::WindowMinimized);
  const bool minimized = windowState().testFlag(Qt::WindowMinimized);
  if (timers_ && !minimized && wasMinimized) {
    timers_->DrawIfStale();
    timers_->Refresh();
  }
  try {
    if (minimized && !wasMinimized && onMinimize_) onMinimize_();
    if (!minimized && wasMinimized && onRestore_) onRestore_();
  } catch (const kv::ENotifyIconError& error) {
    // No notification area: the window stays minimised on the taskbar, where it can be found.
    ShowError(error.what());
  }
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Whatever changed while the display was hidden is drawn before the window is painted.
  if (timers_) timers_->DrawIfStale();
}

bool TMainForm::event(QEvent* event) {
  if (event->type() == kDrainEvent) {
    services_.Ui.Drain();
    return true;
  }
  return QMainWindow::event(event);
}

bool TMainForm::IsMinimized() { return isMinimized() || hiddenInTray_; }

void TMainForm::HideTaskbarEntry() {
  // X11 has no taskbar entry of its own to hide: unmapping the window removes it.
  hiddenInTray_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (hiddenInTray_) hide();
      },
      Qt::QueuedConnection);
}

void TMainForm::BringToForeground() { activateWindow(); }

void TMainForm::BringMainFormToForeground() {
  raise();
  activateWindow();
}

void TMainForm::StopTimers() {
  motionTimer_.SetEnabled(false);
  if (timers_) timers_->Stop();
}
