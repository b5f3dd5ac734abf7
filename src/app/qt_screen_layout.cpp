#include "app/qt_screen_layout.h"

#include <QGuiApplication>
#include <QScreen>

namespace kv::app {

const std::vector<ToolkitDisplay>& QtScreenLayout::Layout() {
  if (stale_) Read();
  return layout_;
}

void QtScreenLayout::Read() {
  layout_.clear();
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr) return;  // stays stale: asked again once the application exists
  stale_ = false;
  watch_ = std::make_unique<QObject>();
  auto markStale = [this] { stale_ = true; };
  QObject::connect(app, &QGuiApplication::screenAdded, watch_.get(), markStale);
  QObject::connect(app, &QGuiApplication::screenRemoved, watch_.get(), markStale);
  QObject::connect(app, &QGuiApplication::primaryScreenChanged, watch_.get(), markStale);
  const QScreen* primary = QGuiApplication::primaryScreen();
  for (QScreen* screen : QGuiApplication::screens()) {
    QObject::connect(screen, &QScreen::geometryChanged, watch_.get(), markStale);
    const QRect g = screen->geometry();
    const ToolkitDisplay rect{g.x(), g.y(), g.width(), g.height()};
    if (screen == primary) {
      layout_.insert(layout_.begin(), rect);
    } else {
      layout_.push_back(rect);
    }
  }
}

}  // namespace kv::app
