#include "platform/qt/qt_notify_area.h"

#include <gtest/gtest.h>

#include <csignal>

#include <QCoreApplication>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "qt/x11_probe.h"
#include "support/child_process.h"
#include "support/xvfb_server.h"

namespace kv {
namespace {

using Code = std::pair<intptr_t, uint32_t>;

// Runs Qt's event loop until `condition` holds or `timeoutMs` has passed.
bool RunEventsUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

// A notification area of its own (the small panel `trayer`) on the test's X server.
class TrayerPanel {
 public:
  bool Start() {
    return process_.Start({"/usr/bin/trayer", "--edge", "top", "--widthtype", "request", "--align",
                           "right"}) &&
           RunEventsUntil(test::SystemTrayOwnerExists);
  }
  void Stop() {
    process_.Signal(SIGTERM);
    process_.Wait(10000);
  }

 private:
  test::ChildProcess process_;
};

// Waits until a panel of an earlier test has left the X server.
bool NoNotificationArea() {
  return RunEventsUntil([] { return !test::SystemTrayOwnerExists(); });
}

class RecordingSink final : public NotifyAreaSink {
 public:
  void OnTrayCallback(intptr_t wParam, uint32_t lParam) override {
    Codes.emplace_back(wParam, lParam);
  }
  void OnTaskbarCreated() override { ++Restarts; }
  void OnTimer(uint32_t timerId) override { Ticks.push_back(timerId); }

  std::vector<Code> Codes;
  std::vector<uint32_t> Ticks;
  int Restarts = 0;
};

QIcon TestImage() {
  QPixmap pixmap(22, 22);
  pixmap.fill(Qt::blue);
  return QIcon(pixmap);
}

NotifyIconRecord RecordFor(IconHandle icon, const std::string& tip) {
  NotifyIconRecord record;
  record.Icon = icon;
  record.Tip = tip;
  record.Flags = kNotifyFlagMessage | kNotifyFlagIcon | kNotifyFlagTip;
  return record;
}

class QtNotifyAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    area.SetSink(&sink);
    image = area.AddImage(TestImage(), "test-image");
  }

  qt_backend::QtNotifyArea area;
  RecordingSink sink;
  IconHandle image = kNoIcon;
};

TEST_F(QtNotifyAreaTest, WithoutANotificationAreaAddingFails) {
  ASSERT_TRUE(NoNotificationArea());
  EXPECT_FALSE(area.Request(NotifyRequest::Add, RecordFor(image, "tip")));
  EXPECT_EQ(area.LastError(), kErrorGenFailure);
  EXPECT_FALSE(area.Request(NotifyRequest::Modify, RecordFor(image, "tip")));
  EXPECT_FALSE(area.Tray().isVisible());
}

TEST_F(QtNotifyAreaTest, IconFollowsThePanelThroughRestartAndEnd) {
  TrayerPanel panel;
  ASSERT_TRUE(panel.Start());
  ASSERT_TRUE(RunEventsUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));

  ASSERT_TRUE(area.Request(NotifyRequest::Add, RecordFor(image, "Kestrovane")));
  EXPECT_TRUE(area.Tray().isVisible());
  EXPECT_EQ(area.Tray().toolTip(), "Kestrovane");
  // Docked: the panel sits at the top right of the 1280-pixel screen.
  const auto docked = [this] {
    const QRect g = area.Tray().geometry();
    return g.isValid() && g.left() >= 640 && g.top() < 100;
  };
  EXPECT_TRUE(RunEventsUntil(docked))
      << "icon at " << area.Tray().geometry().x() << "," << area.Tray().geometry().y();

  ASSERT_TRUE(area.Request(NotifyRequest::Modify, RecordFor(image, "Other")));
  EXPECT_EQ(area.Tray().toolTip(), "Other");

  // Real clicks on the docked icon.
  const QPoint centre = area.Tray().geometry().center();
  const std::string at =
      "xdotool mousemove " + std::to_string(centre.x()) + " " + std::to_string(centre.y());
  const struct {
    const char* Clicks;
    std::vector<Code> Expected;
  } clicks[] = {
      {" click 1", {{1, kWmLButtonDown}, {1, kWmLButtonUp}}},
      {" click 3", {{1, kWmRButtonDown}, {1, kWmRButtonUp}}},
      {" click 2", {{1, kWmMButtonDown}, {1, kWmMButtonUp}}},
      {" click --repeat 2 --delay 40 1",
       {{1, kWmLButtonDown}, {1, kWmLButtonUp}, {1, kWmLButtonDblClk}, {1, kWmLButtonUp}}},
  };
  for (const auto& click : clicks) {
    sink.Codes.clear();
    ASSERT_EQ(test::RunCommand(at + click.Clicks), 0);
    RunEventsUntil([&] { return sink.Codes.size() >= click.Expected.size(); }, 5000);
    EXPECT_EQ(sink.Codes, click.Expected) << click.Clicks;
  }

  panel.Stop();
  ASSERT_TRUE(panel.Start());
  EXPECT_TRUE(RunEventsUntil(docked)) << "Qt moves the icon into the new panel";

  ASSERT_TRUE(area.Request(NotifyRequest::Delete, RecordFor(image, "Other")));
  EXPECT_FALSE(area.Tray().isVisible());
  EXPECT_FALSE(area.Request(NotifyRequest::Delete, RecordFor(image, "Other")));

  // The panel goes while the icon is hidden (Qt alone would still believe in it).
  panel.Stop();
  ASSERT_TRUE(NoNotificationArea());
  EXPECT_FALSE(area.Request(NotifyRequest::Add, RecordFor(image, "Other")));
  EXPECT_EQ(area.LastError(), kErrorGenFailure);
}

TEST_F(QtNotifyAreaTest, PostedCallbacksKeepTheirOrder) {
  area.PostCallback(kRepostedPress, kWmRButtonDown);
  emit area.Tray().activated(QSystemTrayIcon::Trigger);
  area.PostCallback(0, kMouseClickCode);
  QCoreApplication::processEvents();
  EXPECT_EQ(sink.Codes, (std::vector<Code>{{kRepostedPress, kWmRButtonDown},
                                           {1, kWmLButtonDown},
                                           {1, kWmLButtonUp},
                                           {0, kMouseClickCode}}));
  area.SetSink(nullptr);
  area.PostCallback(0, kMouseClickCode);
  QCoreApplication::processEvents();
  EXPECT_EQ(sink.Codes.size(), 4u);
}

// A D-Bus icon host has no double click: its click (an activation, Trigger in Qt) must reach the
// program as the double click that restores the window, with no single click besides.
TEST_F(QtNotifyAreaTest, ActivationThroughADBusHostIsTheDoubleClick) {
  bool dbusHost = true;
  area.SetStatusNotifierHostProbe([&dbusHost] { return dbusHost; });
  emit area.Tray().activated(QSystemTrayIcon::Trigger);
  dbusHost = false;
  emit area.Tray().activated(QSystemTrayIcon::Trigger);
  QCoreApplication::processEvents();
  EXPECT_EQ(sink.Codes,
            (std::vector<Code>{
                {1, kWmLButtonDblClk}, {1, kWmLButtonUp}, {1, kWmLButtonDown}, {1, kWmLButtonUp}}));
}

TEST_F(QtNotifyAreaTest, TimersTickUntilKilled) {
  area.StartTimer(7, 1);
  ASSERT_TRUE(RunEventsUntil([this] { return sink.Ticks.size() >= 2; }));
  area.KillTimer(7);
  const size_t ticks = sink.Ticks.size();
  QCoreApplication::processEvents();
  EXPECT_EQ(sink.Ticks.size(), ticks);
  EXPECT_EQ(sink.Ticks.front(), 7u);
  area.KillTimer(8);  // never started: ignored
}

}  // namespace
}  // namespace kv
