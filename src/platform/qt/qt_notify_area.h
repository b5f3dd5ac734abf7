#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "core/port/notify_area.h"

class QTimer;

namespace kv::qt_backend {

// The notification area through QSystemTrayIcon.
//
// Qt reports only whole activations of the icon, so the callbacks are made up from them:
//   left click (Trigger)          -> 513 press, 514 release
//   left double click             -> 515 double click, 514 release
//   right click / menu (Context)  -> 516 press, 517 release
//   middle click                  -> 519 press, 520 release
// Qt cannot deliver:
//   - 512 mouse moves, and so no entering or leaving of the icon (1234/1235 never occur);
//   - presses and releases as separate moments: both arrive together after the click, so a
//     held button cannot be seen and the press carries the cursor position of the click;
//   - 518 and 521, right and middle double clicks (they arrive as two single clicks);
//   - on desktops that host icons over D-Bus (StatusNotifierItem) rather than XEmbed, double
//     clicks at all, and middle clicks may be missing. Such a host has no double click: a click
//     on the icon asks the item to activate, the icon's main action, which Qt reports as
//     Trigger. There a Trigger is therefore passed on as the double click (515, 514), the main
//     action of the classic area, or the window hidden in the tray could never be restored
//     with a click (the single click does nothing);
//   - the shell's tooltip window: colour and close requests are ignored;
//   - a time-out error: requests either succeed or fail with kErrorGenFailure.
//   - the taskbar-restart notice: Qt itself moves a shown icon into a notification area that
//     appears anew (a restarted panel), so nothing needs re-adding;
//   - a window of the icon's own to bring forward: BringToForeground does nothing.
//
// Adding fails with kErrorGenFailure while the desktop has no notification area (asked of the
// X server too, see NotificationAreaPresent), so the window is never hidden out of reach.
class QtNotifyArea final : public QObject, public NotifyArea {
  Q_OBJECT

 public:
  explicit QtNotifyArea(QObject* parent = nullptr);
  ~QtNotifyArea() override;

  // Makes an image known and returns its handle; with a name, LoadIcon finds it by that name.
  IconHandle AddImage(const QIcon& icon, const std::string& name = {});
  // The QSystemTrayIcon itself (for the application's own use and for tests).
  QSystemTrayIcon& Tray() { return tray_; }
  // Asked at each activation whether the icon lives in a D-Bus icon host (tests replace it).
  void SetStatusNotifierHostProbe(std::function<bool()> probe) { dbusHost_ = std::move(probe); }

  void SetSink(NotifyAreaSink* sink) override { sink_ = sink; }
  bool Request(NotifyRequest request, const NotifyIconRecord& record) override;
  uint32_t LastError() override { return lastError_; }
  void BringToForeground() override {}
  uint32_t ShellVersion() override;
  IconHandle ApplicationIcon() override;
  IconHandle LoadIcon(const std::string& name) override;
  void StartTimer(uint32_t timerId, uint32_t periodMs) override;
  void KillTimer(uint32_t timerId) override;
  uint32_t DoubleClickTimeMs() override;
  Point CursorPos() override;
  void PostCallback(intptr_t wParam, uint32_t lParam) override;
  void SetTipColors(uint32_t, uint32_t) override {}
  void PopTip() override {}
  void ResetTipColors() override {}

 private slots:
  void Activated(QSystemTrayIcon::ActivationReason reason);

 private:
  bool Fail(uint32_t error);
  bool Apply(const NotifyIconRecord& record);
  void Deliver(intptr_t wParam, uint32_t lParam);

  QSystemTrayIcon tray_;
  bool added_ = false;
  uint32_t lastError_ = 0;
  NotifyAreaSink* sink_ = nullptr;
  std::map<IconHandle, QIcon> images_;
  std::map<std::string, IconHandle> named_;
  std::map<qint64, IconHandle> byCacheKey_;
  IconHandle nextHandle_ = 1;
  std::map<uint32_t, QTimer*> timers_;
  std::function<bool()> dbusHost_;
};

}  // namespace kv::qt_backend
