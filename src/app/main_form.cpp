#include "app/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QMessageBox>

#include "core/ui/ui_dispatcher.h"

namespace {

// Posted once per hand-off so the event loop drains the UI-thread queue.
const QEvent::Type kDrainEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

TMainForm::TMainForm(const kv::app::AppServices& services, QWidget* parent)
    : QMainWindow(parent),
      services_(services),
      drawTimer_(kv::kDrawTimerMs, [this] { DrawTimerTimer(); }),
      motionTimer_(kv::kMotionTimerMs, [this] { logic_->MotionTimerTimer(); }),
      repeatTimer_(kv::kRepeatTimerMs, [this] { logic_->RepeatTimerTimer(); }),
      cursorTimer_(kv::kCursorTimerMs, [this] { logic_->CursorTimerTimer(); }),
      batteryTimer_(kv::kBatteryTimerMs, [this] { logic_->BatteryTimerTimer(); }) {
  setWindowTitle(QApplication::applicationName());
  // Worker threads hand their calls over through the dispatcher; one posted event per call
  // wakes the event loop, which drains the queue on this thread.
  services_.Ui.SetWaker([this] {
    QCoreApplication::postEvent(this, new QEvent(kDrainEvent), Qt::HighEventPriority);
  });

  const kv::MainFormServices logicServices{
      services_.Hid,          services_.Ui,       services_.Time, *this,
      services_.Screen,       services_.Injector, services_.Keys, services_.Launcher,
      services_.MixerDevices, services_.Files,    motionTimer_};
  logic_ = std::make_unique<kv::TMainFormLogic>(logicServices, kv::Wiimote, kv::Settings,
                                                services_.ConfigFile);
  logic_->FormCreate();
  drawTimer_.SetEnabled(true);
  repeatTimer_.SetEnabled(true);
  cursorTimer_.SetEnabled(true);
  batteryTimer_.SetEnabled(true);
}

TMainForm::~TMainForm() {
  StopTimers();
  services_.Ui.SetWaker(nullptr);
  // The HID controller stops its read threads while it is destroyed with the logic; hand-offs
  // still queued are drained by the dispatcher's join.
  logic_.reset();
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

void TMainForm::DrawTimerTimer() {}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  StopTimers();
  logic_->FormDestroy();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  event->accept();
  QCoreApplication::quit();
}

bool TMainForm::event(QEvent* event) {
  if (event->type() == kDrainEvent) {
    services_.Ui.Drain();
    return true;
  }
  return QMainWindow::event(event);
}

void TMainForm::StopTimers() {
  drawTimer_.SetEnabled(false);
  motionTimer_.SetEnabled(false);
  repeatTimer_.SetEnabled(false);
  cursorTimer_.SetEnabled(false);
  batteryTimer_.SetEnabled(false);
}
