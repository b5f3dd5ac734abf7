// The notification area: requests to the shell, and what arrives at the hidden window.
#include "platform/win32/win32_notify_area.h"

#include <gtest/gtest.h>

#include <windows.h>
#undef LoadIcon  // the area's method, not the system's macro

#include <functional>
#include <vector>

namespace kv::win32_backend {
namespace {

struct RecordingSink : NotifyAreaSink {
  std::vector<std::pair<intptr_t, uint32_t>> Callbacks;
  std::vector<uint32_t> Timers;
  int TaskbarCreated = 0;
  void OnTrayCallback(intptr_t wParam, uint32_t lParam) override {
    Callbacks.emplace_back(wParam, lParam);
  }
  void OnTaskbarCreated() override { ++TaskbarCreated; }
  void OnTimer(uint32_t timerId) override { Timers.push_back(timerId); }
};

// Dispatches this thread's messages until `done` holds or 5 s have passed.
bool PumpUntil(const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > 5000) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  return true;
}

TEST(Win32NotifyArea, ReadsTheShellVersionAndSendsTheIconRecord) {
  const struct {
    const char* Text;
    uint32_t Version;
  } versions[] = {{"6.00.2900.2180", 6u << 16},
                  {"5.50.4134", (5u << 16) | 50},
                  {"4.7", (4u << 16) | 7},
                  {"x.00", 0},
                  {"6", 0},
                  {"", 0}};
  for (const auto& row : versions) {
    EXPECT_EQ(Win32NotifyArea::ParseFileVersion(row.Text), row.Version) << row.Text;
  }

  Win32NotifyArea area;
  ASSERT_NE(area.Window(), nullptr);
  EXPECT_GE(area.ShellVersion() >> 16, 4u);
  EXPECT_LT(area.ShellVersion() & 0xFFFF, 100u);
  EXPECT_EQ(area.ShellVersion(), Win32NotifyArea::ReadShellVersion());
  EXPECT_EQ(area.LastError(), 0u);
  EXPECT_GT(area.DoubleClickTimeMs(), 0u);
  EXPECT_EQ(area.LoadIcon("KV_NO_SUCH_ICON"), kNoIcon);

  NotifyIconRecord record;
  record.Flags = kNotifyFlagMessage | kNotifyFlagIcon | kNotifyFlagTip;
  record.Icon = area.ApplicationIcon();
  ASSERT_NE(record.Icon, kNoIcon);
  record.Tip = std::string(300, 'k');  // longer than the record holds: cut, never overrun
  area.BringToForeground();
  if (area.Request(NotifyRequest::Add, record)) {
    record.Tip = "Kestrovane";
    EXPECT_TRUE(area.Request(NotifyRequest::Modify, record));
    EXPECT_TRUE(area.Request(NotifyRequest::Delete, record));
    // The short form too, as older shells take it.
    record.Size = kNotifyRecordSizeShort;
    EXPECT_TRUE(area.Request(NotifyRequest::Add, record));
    EXPECT_TRUE(area.Request(NotifyRequest::Delete, record));
    // Now there is no such icon any more.
    EXPECT_FALSE(area.Request(NotifyRequest::Modify, record));
  } else {
    // No notification area on this desktop: a failure with a code, never a silent one.
    EXPECT_NE(area.LastError(), 0u);
  }
  // Either way no icon is registered now.
  EXPECT_FALSE(area.Request(NotifyRequest::Delete, record));
  EXPECT_NE(area.LastError(), 0u);
}

TEST(Win32NotifyArea, DeliversCallbacksTimersAndTaskbarRestartsToTheSink) {
  Win32NotifyArea area;
  RecordingSink sink;
  area.SetSink(&sink);
  const HWND window = static_cast<HWND>(area.Window());
  ASSERT_NE(window, nullptr);

  area.PostCallback(kRepostedPress, kWmRButtonDown);
  area.PostCallback(0, kMouseClickCode);
  ASSERT_TRUE(PumpUntil([&] { return sink.Callbacks.size() >= 2; }));
  EXPECT_EQ(sink.Callbacks[0], std::make_pair(kRepostedPress, kWmRButtonDown));
  EXPECT_EQ(sink.Callbacks[1], std::make_pair(intptr_t{0}, kMouseClickCode));

  area.StartTimer(7, 10);
  ASSERT_TRUE(PumpUntil([&] { return sink.Timers.size() >= 2; }));  // it keeps ticking
  area.KillTimer(7);
  area.KillTimer(8);  // not running: ignored
  EXPECT_EQ(sink.Timers[0], 7u);

  ASSERT_NE(Win32NotifyArea::TaskbarCreatedMessage(), 0u);
  PostMessageA(HWND_BROADCAST, Win32NotifyArea::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return sink.TaskbarCreated > 0; }));

  EXPECT_EQ(SendMessageA(window, WM_QUERYENDSESSION, 0, 0), 1);
  // Without a sink nothing is delivered and nothing breaks.
  area.SetSink(nullptr);
  SendMessageA(window, kTrayCallbackMessage, kTrayIconId, kWmLButtonUp);
  EXPECT_EQ(sink.Callbacks.size(), 2u);
  // The tooltip requests are harmless whether or not the shell has a tooltip window.
  area.SetTipColors(0, 0xFFFFFF);
  area.PopTip();
  area.ResetTipColors();
}

}  // namespace
}  // namespace kv::win32_backend
