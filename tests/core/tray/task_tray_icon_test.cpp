#include "core/tray/task_tray_icon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sim/fake_clock.h"
#include "platform/sim/fake_notify_area.h"

namespace kv {
namespace {

class TaskTrayIconTest : public ::testing::Test {
 protected:
  sim::FakeNotifyArea area;
  sim::FakeClock clock{1000};
  UiDispatcher ui;
};

TEST_F(TaskTrayIconTest, RecordCarriesIconTipAndCallback) {
  struct Case {
    uint32_t Version;
    uint32_t Size;
  };
  for (const Case c : {Case{5u << 16, 488}, Case{(4u << 16) | 71, 88}}) {
    area.Version = c.Version;
    TTaskTrayIcon icon(area, clock, ui);
    icon.SetIcon(5);
    icon.SetTip("tip");
    icon.SetBalloonIcon(2);
    icon.AddIcon();
    ASSERT_TRUE(icon.IconAdded());
    const NotifyIconRecord& r = area.Requests.back().Record;
    EXPECT_EQ(r.Size, c.Size);
    EXPECT_EQ(r.Id, 1u);
    EXPECT_EQ(r.Flags, 7u) << "message, icon and tip; never the balloon";
    EXPECT_EQ(r.CallbackMessage, 1224u);
    EXPECT_EQ(r.Icon, IconHandle{5});
    EXPECT_EQ(r.Tip, "tip");
    EXPECT_EQ(r.BalloonFlags, c.Size == 488 ? 0u : 2u);
  }
}

TEST_F(TaskTrayIconTest, TipLimitsFollowTheShellVersion) {
  const std::string tip200(200, 'x');
  EXPECT_EQ(LimitTip(tip200, 5u << 16), std::string(127, 'x'));
  EXPECT_EQ(LimitTip(tip200, 6u << 16), std::string(127, 'x'));
  EXPECT_EQ(LimitTip(tip200, (4u << 16) | 72), std::string(63, 'x'));
  EXPECT_EQ(LimitTip("a\r\nb\nc\rd\r\n", 4u << 16), "a b\nc\rd ");
  EXPECT_EQ(LimitTip("a\r\nb", 5u << 16), "a\r\nb") << "new shells show several lines";
  // The CR/LF pairs are joined before cutting, so more text fits.
  std::string lines;
  for (int i = 0; i < 40; ++i) lines += "ab\r\n";
  EXPECT_EQ(LimitTip(lines, 0).size(), 63u);
  EXPECT_EQ(LimitTip(lines, 0).substr(0, 6), "ab ab ");
  EXPECT_EQ(LimitTip("", 6u << 16), "");
}

TEST_F(TaskTrayIconTest, CutsNeverSplitACharacter) {
  std::string text(126, 'x');
  text += "\xE3\x81\x82";  // a three-byte character across the 127-byte limit
  EXPECT_EQ(LimitTip(text, 6u << 16), std::string(126, 'x'));
  EXPECT_EQ(CutText("\xC3\xA9\xC3\xA9", 3), "\xC3\xA9");
  EXPECT_EQ(CutText("\xC3\xA9", 0), "");

  TTaskTrayIcon icon(area, clock, ui);
  icon.SetBalloonTitle(std::string(100, 't'));
  icon.SetBalloonText(std::string(300, 'b'));
  EXPECT_EQ(icon.Record().BalloonTitle.size(), 63u);
  EXPECT_EQ(icon.Record().BalloonText.size(), 255u);
}

// A busy shell times out although it may have taken the icon: the retries first modify, then add.
TEST_F(TaskTrayIconTest, TimedOutAddsAreRetried) {
  struct Case {
    const char* Name;
    bool ShellTookIcon;
    int TimeOuts;
    std::vector<NotifyRequest> Requests;
    uint32_t WaitedMs;
  };
  using R = NotifyRequest;
  const Case cases[] = {
      {"modify finds the icon", true, 1, {R::Add, R::Modify}, 2000},
      // The shell never took it: the modify of the second retry fails, its add succeeds.
      {"added on the second retry", false, 3, {R::Add, R::Modify, R::Add, R::Modify, R::Add}, 4000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    area.Requests.clear();
    area.ForegroundCalls = 0;
    area.Shown = c.ShellTookIcon;
    area.ScriptedErrors.assign(c.TimeOuts, kErrorTimeout);
    clock.Set(0);
    TTaskTrayIcon icon(area, clock, ui);
    icon.SetIcon(5);
    icon.DoForegroundWindow = true;
    icon.AddIcon();
    EXPECT_TRUE(icon.IconAdded());
    EXPECT_EQ(area.RequestKinds(), c.Requests);
    EXPECT_EQ(area.ForegroundCalls, std::count(c.Requests.begin(), c.Requests.end(), R::Add));
    EXPECT_EQ(clock.NowMs(), c.WaitedMs);
  }
}

TEST_F(TaskTrayIconTest, AddFailures) {
  struct Case {
    const char* Name;
    std::deque<uint32_t> Errors;
    const char* Message;
    size_t Requests;
    uint32_t WaitedMs;
  };
  const std::deque<uint32_t> timeouts(13, kErrorTimeout);
  const Case cases[] = {
      {"refused at once", {5}, kTextCannotRegisterIcon, 1, 0},
      {"refused on a retry", {kErrorTimeout, kErrorTimeout, 5}, kTextCannotRegisterIcon, 3, 2000},
      {"every retry times out", timeouts, kTextCannotChangeIcon, 13, 12000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    area.Requests.clear();
    area.ScriptedErrors = c.Errors;
    clock.Set(0);
    TTaskTrayIcon icon(area, clock, ui);
    icon.SetIcon(5);
    try {
      icon.AddIcon();
      ADD_FAILURE() << "no error raised";
    } catch (const ENotifyIconError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
    EXPECT_FALSE(icon.IconAdded());
    EXPECT_EQ(area.Requests.size(), c.Requests);
    EXPECT_EQ(clock.NowMs(), c.WaitedMs);
  }
}

TEST_F(TaskTrayIconTest, ModifyKeepsTheIconThroughTimeOutsAndReAddsOtherwise) {
  TTaskTrayIcon icon(area, clock, ui);
  icon.SetIcon(5);
  EXPECT_TRUE(icon.ModifyIcon()) << "not yet added: adds";
  EXPECT_EQ(area.Requests.back().Request, NotifyRequest::Add);

  area.ScriptedErrors = {kErrorTimeout};
  EXPECT_TRUE(icon.ModifyIcon());
  EXPECT_EQ(area.Requests.size(), 2u);

  area.ScriptedErrors = {kErrorGenFailure};
  EXPECT_TRUE(icon.ModifyIcon());
  EXPECT_EQ(area.Requests.back().Request, NotifyRequest::Add);

  area.ScriptedErrors = {kErrorGenFailure, kErrorGenFailure};
  EXPECT_NO_THROW(EXPECT_FALSE(icon.ModifyIcon())) << "the re-add's error is swallowed";
  EXPECT_FALSE(icon.IconAdded());

  icon.SetIcon(kNoIcon);
  EXPECT_FALSE(icon.ModifyIcon());
  const size_t sent = area.Requests.size();
  icon.AddIcon();
  EXPECT_EQ(area.Requests.size(), sent) << "no image, no request, no error";
}

TEST_F(TaskTrayIconTest, DestructionRemovesTheIcon) {
  {
    TTaskTrayIcon icon(area, clock, ui);
    icon.SetIcon(5);
    icon.AddIcon();
    icon.AddIcon();  // already added: no second request
    EXPECT_EQ(area.Requests.size(), 1u);
  }
  EXPECT_FALSE(area.Shown);
  EXPECT_EQ(area.Sink(), nullptr);
}

}  // namespace
}  // namespace kv
