#include "platform/qt/qt_notify_area.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QStyleHints>
#include <QTimer>

#include "platform/qt/tray_presence.h"

namespace kv::qt_backend {

namespace {

// Qt hosts any tooltip length and multi-line tips, as the newer shells do.
constexpr uint32_t kQtShellVersion = 6u << 16;

QSystemTrayIcon::MessageIcon BalloonIcon(uint32_t flags) {
  switch (flags & 0x3) {
    case 1:
      return QSystemTrayIcon::Information;
    case 2:
      return QSystemTrayIcon::Warning;
    case 3:
      return QSystemTrayIcon::Critical;
    default:
      return QSystemTrayIcon::NoIcon;
  }
}

}  // namespace

QtNotifyArea::QtNotifyArea(QObject* parent)
    : QObject(parent), dbusHost_(StatusNotifierHostRegistered) {
  connect(&tray_, &QSystemTrayIcon::activated, this, &QtNotifyArea::Activated);
}

QtNotifyArea::~QtNotifyArea() {
  sink_ = nullptr;
  tray_.hide();
}

IconHandle QtNotifyArea::AddImage(const QIcon& icon, const std::string& name) {
  const IconHandle handle = nextHandle_++;
  images_[handle] = icon;
  byCacheKey_[icon.cacheKey()] = handle;
  if (!name.empty()) named_[name] = handle;
  return handle;
}

bool QtNotifyArea::Fail(uint32_t error) {
  lastError_ = error;
  return false;
}

bool QtNotifyArea::Apply(const NotifyIconRecord& record) {
  if (record.Flags & kNotifyFlagIcon) {
    const auto it = images_.find(record.Icon);
    if (it == images_.end()) return Fail(kErrorGenFailure);
    tray_.setIcon(it->second);
  }
  if (record.Flags & kNotifyFlagTip) tray_.setToolTip(QString::fromStdString(record.Tip));
  return true;
}

bool QtNotifyArea::Request(NotifyRequest request, const NotifyIconRecord& record) {
  switch (request) {
    case NotifyRequest::Add:
      // Without a notification area the icon would be nowhere; say so instead.
      if (!NotificationAreaPresent()) return Fail(kErrorGenFailure);
      if (!Apply(record)) return false;
      tray_.show();
      added_ = true;
      break;
    case NotifyRequest::Modify:
      if (!added_) return Fail(kErrorGenFailure);
      if (!Apply(record)) return false;
      break;
    case NotifyRequest::Delete:
      if (!added_) return Fail(kErrorGenFailure);
      tray_.hide();
      added_ = false;
      return true;
  }
  if (record.Flags & kNotifyFlagInfo) {
    tray_.showMessage(QString::fromStdString(record.BalloonTitle),
                      QString::fromStdString(record.BalloonText), BalloonIcon(record.BalloonFlags),
                      static_cast<int>(record.BalloonTimeOut));
  }
  return true;
}

uint32_t QtNotifyArea::ShellVersion() { return kQtShellVersion; }

IconHandle QtNotifyArea::ApplicationIcon() {
  const QIcon icon = QApplication::windowIcon();
  if (icon.isNull()) return kNoIcon;
  const auto it = byCacheKey_.find(icon.cacheKey());
  return it != byCacheKey_.end() ? it->second : AddImage(icon);
}

IconHandle QtNotifyArea::LoadIcon(const std::string& name) {
  const auto it = named_.find(name);
  if (it != named_.end()) return it->second;
  // Otherwise a compiled-in resource of that name.
  const QString path = QStringLiteral(":/") + QString::fromStdString(name);
  if (name.empty() || !QFile::exists(path)) return kNoIcon;
  return AddImage(QIcon(path), name);
}

void QtNotifyArea::StartTimer(uint32_t timerId, uint32_t periodMs) {
  QTimer*& timer = timers_[timerId];
  if (timer == nullptr) {
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, timerId] {
      if (sink_ != nullptr) sink_->OnTimer(timerId);
    });
  }
  timer->start(static_cast<int>(periodMs));
}

void QtNotifyArea::KillTimer(uint32_t timerId) {
  const auto it = timers_.find(timerId);
  if (it != timers_.end()) it->second->stop();
}

uint32_t QtNotifyArea::DoubleClickTimeMs() {
  const int ms = QGuiApplication::styleHints()->mouseDoubleClickInterval();
  return ms > 0 ? static_cast<uint32_t>(ms) : 500;
}

Point QtNotifyArea::CursorPos() {
  const QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

void QtNotifyArea::PostCallback(intptr_t wParam, uint32_t lParam) {
  QMetaObject::invokeMethod(
      this, [this, wParam, lParam] { Deliver(wParam, lParam); }, Qt::QueuedConnection);
}

void QtNotifyArea::Deliver(intptr_t wParam, uint32_t lParam) {
  if (sink_ != nullptr) sink_->OnTrayCallback(wParam, lParam);
}

void QtNotifyArea::Activated(QSystemTrayIcon::ActivationReason reason) {
  // Queued, like the shell's own messages, so that a menu opened by one does not run inside
  // Qt's mouse handling of the icon.
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      if (dbusHost_ && dbusHost_()) {
        // A D-Bus host's activation: the icon's main action (see the header).
        PostCallback(kTrayIconId, kWmLButtonDblClk);
        PostCallback(kTrayIconId, kWmLButtonUp);
        break;
      }
      PostCallback(kTrayIconId, kWmLButtonDown);
      PostCallback(kTrayIconId, kWmLButtonUp);
      break;
    case QSystemTrayIcon::DoubleClick:
      PostCallback(kTrayIconId, kWmLButtonDblClk);
      PostCallback(kTrayIconId, kWmLButtonUp);
      break;
    case QSystemTrayIcon::Context:
      PostCallback(kTrayIconId, kWmRButtonDown);
      PostCallback(kTrayIconId, kWmRButtonUp);
      break;
    case QSystemTrayIcon::MiddleClick:
      PostCallback(kTrayIconId, kWmMButtonDown);
      PostCallback(kTrayIconId, kWmMButtonUp);
      break;
    case QSystemTrayIcon::Unknown:
      break;
  }
}

}  // namespace kv::qt_backend
