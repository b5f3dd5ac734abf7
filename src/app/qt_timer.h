#pragma once

#include <QTimer>
#include <functional>

#include "core/port/timer.h"
#include "core/ui/timer_periods.h"

namespace kv::app {

// One of the main window's timers: a QTimer at the requested period, never faster than the
// window-timer floor, calling a core tick handler.
class QtTimer final : public Timer {
 public:
  QtTimer(uint32_t requestedMs, std::function<void()> onTick) : onTick_(std::move(onTick)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(static_cast<int>(EffectiveTimerPeriod(requestedMs)));
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (onTick_) onTick_();
    });
  }

  void SetEnabled(bool enabled) override {
    if (enabled && !timer_.isActive()) timer_.start();
    if (!enabled) timer_.stop();
  }
  bool Enabled() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
  std::function<void()> onTick_;
};

// A single-shot wake-up of the user-interface thread behind one of the core's grid timers.
class QtWakeTimer final : public WakeTimer {
 public:
  explicit QtWakeTimer(std::function<void()> onWake) : onWake_(std::move(onWake)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (onWake_) onWake_();
    });
  }

  void Arm(uint32_t delayMs) override { timer_.start(static_cast<int>(delayMs)); }
  void Disarm() override { timer_.stop(); }

 private:
  QTimer timer_;
  std::function<void()> onWake_;
};

}  // namespace kv::app
