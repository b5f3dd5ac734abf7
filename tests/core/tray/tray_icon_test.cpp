#include "core/tray/tray_icon.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/fake_clock.h"
#include "platform/sim/fake_notify_area.h"
#include "tray_test_support.h"

namespace kv {
namespace {

using Log = std::vector<std::string>;

std::string ButtonName(MouseButton b) {
  return b == MouseButton::Left ? "left" : b == MouseButton::Right ? "right" : "middle";
}

// The icon set up as the main window sets it up, with every event written to the log.
class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    area.Cursor = {1500, 1060};
    tray = std::make_unique<TTrayIcon>(area, clock, ui, app);
    tray->SetTipHelp("Kestrovane");
    tray->SetMinimized(true);
    tray->HideOnTaskBar = true;
    tray->SetDoForegroundWindow(true);
    tray->SetBalloonHelpText("Kestrovane");
    const auto mouse = [this](const char* what) {
      return [this, what](MouseButton b, TrayButtons shift, int x, int y) {
        log.push_back(std::string(what) + " " + ButtonName(b) + " " + std::to_string(shift) + " " +
                      std::to_string(x) + "," + std::to_string(y));
      };
    };
    tray->OnMouseDown = mouse("down");
    tray->OnMouseUp = mouse("up");
    tray->OnMouseClick = mouse("click");
    tray->OnDblClick = [this] { log.push_back("dblclick"); };
    tray->OnRDblClick = [this] { log.push_back("rdblclick"); };
  }
  void TearDown() override { tray.reset(); }

  // Delivers posted callbacks and, if the click timer runs, one tick of it.
  void Settle() {
    area.DeliverPosted();
    area.TickTimer(kClickTimerId);
  }

  sim::FakeNotifyArea area;
  sim::FakeClock clock;
  UiDispatcher ui;
  Log log;
  test::FakeTrayApplication app{log};
  std::unique_ptr<TTrayIcon> tray;
};

TEST_F(TrayIconTest, ShownOnlyWhileTheApplicationIsMinimised) {
  tray->Loaded();
  EXPECT_TRUE(area.Requests.empty());

  app.Minimize();
  ASSERT_TRUE(area.Shown);
  EXPECT_EQ(area.ShownRecord.Tip, "Kestrovane");
  EXPECT_EQ(area.ShownRecord.Icon, area.AppIcon);
  EXPECT_EQ(log, (Log{"hide-taskbar"}));

  app.Restore();
  EXPECT_FALSE(area.Shown);
  EXPECT_FALSE(tray->IconAdded());
  EXPECT_EQ(log, (Log{"hide-taskbar", "form-foreground"}));
  EXPECT_EQ(area.RequestKinds(), (std::vector{NotifyRequest::Add, NotifyRequest::Delete}));
}

TEST_F(TrayIconTest, NeverShownWhileNotVisible) {
  tray->SetVisible(false);
  tray->Loaded();
  app.Minimize();
  EXPECT_TRUE(area.Requests.empty());
  EXPECT_TRUE(log.empty()) << "taskbar entry must stay while there is no icon";

  tray->SetVisible(true);
  EXPECT_TRUE(area.Shown);
  tray->SetVisible(false);
  EXPECT_FALSE(area.Shown);
}

TEST_F(TrayIconTest, ChainsApplicationHandlersAndPutsThemBack) {
  tray.reset();
  app.OnMinimize() = [this] { log.push_back("previous-minimize"); };
  app.OnRestore() = [this] { log.push_back("previous-restore"); };
  tray = std::make_unique<TTrayIcon>(area, clock, ui, app);
  tray->SetMinimized(true);
  tray->HideOnTaskBar = true;
  tray->Loaded();
  app.Minimize();
  app.Restore();
  EXPECT_EQ(log, (Log{"previous-minimize", "hide-taskbar", "previous-restore", "form-foreground"}));

  tray.reset();
  log.clear();
  app.Minimize();
  app.Restore();
  EXPECT_EQ(log, (Log{"previous-minimize", "previous-restore"}));
}

TEST_F(TrayIconTest, RefusedIconPropagatesAndKeepsTheTaskbarEntry) {
  tray->Loaded();
  area.ScriptedErrors = {kErrorGenFailure};
  EXPECT_THROW(app.Minimize(), ENotifyIconError);
  EXPECT_FALSE(tray->IconAdded());
  EXPECT_TRUE(log.empty());
}

TEST_F(TrayIconTest, IconAndTipChangesUpdateTheShownIcon) {
  tray->Loaded();
  app.Minimize();
  tray->SetIcon(300);
  tray->SetTipHelp("Other");
  ASSERT_EQ(area.Requests.size(), 3u);
  EXPECT_EQ(area.Requests[2].Request, NotifyRequest::Modify);
  EXPECT_EQ(area.ShownRecord.Icon, IconHandle{300});
  EXPECT_EQ(area.ShownRecord.Tip, "Other");
}

TEST_F(TrayIconTest, TaskbarRestartBringsBackOnlyAShownIcon) {
  tray->Loaded();
  area.TaskbarCreated();
  EXPECT_TRUE(area.Requests.empty());

  app.Minimize();
  area.TaskbarCreated();
  EXPECT_TRUE(area.Shown);
  EXPECT_EQ(area.RequestKinds(), (std::vector{NotifyRequest::Add, NotifyRequest::Add}));

  // A refused re-add has no caller to go to: it goes to the error handler.
  std::string reported;
  tray->SetOnError([&](const ENotifyIconError& e) { reported = e.what(); });
  area.ScriptedErrors = {kErrorGenFailure};
  area.TaskbarCreated();
  EXPECT_EQ(reported, kTextCannotRegisterIcon);
  EXPECT_FALSE(tray->IconAdded());
}

TEST_F(TrayIconTest, SingleClickIsReportedOneDoubleClickTimeAfterRelease) {
  tray->Loaded();
  area.ShellEvent(kWmLButtonDown);
  area.ShellEvent(kWmLButtonUp);
  EXPECT_EQ(log, (Log{"down left 1 1500,1060", "up left 1 1500,1060"}));
  ASSERT_TRUE(area.Timers.contains(kClickTimerId));
  EXPECT_EQ(area.Timers[kClickTimerId], area.DoubleClickMs);

  area.Cursor = {10, 20};
  area.TickTimer(kClickTimerId);
  EXPECT_EQ(log.back(), "click left 0 10,20");
  EXPECT_FALSE(area.Timers.contains(kClickTimerId));
  EXPECT_EQ(tray->ToolTipStyle().ButtonsDown(), 0);
}

TEST_F(TrayIconTest, DoubleClickGivesNoSingleClickAndRepostsThePress) {
  tray->Loaded();
  area.ShellEvent(kWmLButtonDown);
  area.ShellEvent(kWmLButtonUp);
  area.ShellEvent(kWmLButtonDblClk);
  area.ShellEvent(kWmLButtonUp);
  ASSERT_EQ(area.Posted.size(), 1u);
  EXPECT_EQ(area.Posted.front(), std::make_pair(kRepostedPress, kWmLButtonDown));
  Settle();
  Settle();
  EXPECT_EQ(log, (Log{"down left 1 1500,1060", "up left 1 1500,1060", "dblclick",
                      "up left 1 1500,1060", "down left 1 1500,1060"}));
  EXPECT_EQ(tray->ToolTipStyle().ButtonsDown(), 0) << "a re-posted press holds no button";
}

TEST_F(TrayIconTest, WithoutDiscriminationAReleaseClicksAtOnce) {
  tray->SetCheckSingleDoubleClick(false);
  tray->Loaded();
  area.ShellEvent(kWmMButtonDown);
  area.ShellEvent(kWmMButtonUp);
  EXPECT_EQ(log,
            (Log{"down middle 4 1500,1060", "click middle 0 1500,1060", "up middle 4 1500,1060"}));
  EXPECT_TRUE(area.Timers.empty());
}

TEST_F(TrayIconTest, PressWithPopupMenuOpensItInsteadOfMouseDown) {
  test::FakePopupMenu left(log, "lmenu");
  test::FakePopupMenu right(log, "rmenu");
  struct Case {
    uint32_t Press;
    bool AutoPopup;
    Log Expected;
  };
  const Case cases[] = {
      {kWmRButtonDown, true, {"app-foreground", "process-messages", "rmenu popup 1500,1060"}},
      {kWmLButtonDown, true, {"app-foreground", "process-messages", "lmenu popup 1500,1060"}},
      {kWmRButtonDown, false, {"down right 2 1500,1060"}},
      {kWmMButtonDown, true, {"down middle 4 1500,1060"}},
  };
  tray->LButtonPopupMenu = &left;
  tray->RButtonPopupMenu = &right;
  tray->Loaded();
  for (const Case& c : cases) {
    log.clear();
    tray->AutoPopup = c.AutoPopup;
    area.ShellEvent(c.Press);
    EXPECT_EQ(log, c.Expected) << "press " << c.Press;
  }
  tray->MenuDestroyed(&right);
  tray->AutoPopup = true;
  log.clear();
  area.ShellEvent(kWmRButtonDown);
  EXPECT_EQ(log, (Log{"down right 2 1500,1060"}));
  EXPECT_EQ(tray->LButtonPopupMenu, &left);
}

TEST_F(TrayIconTest, EnterAndExitEvents) {
  tray->OnMouseEnter = [this] { log.push_back("enter"); };
  tray->OnMouseExit = [this] { log.push_back("exit"); };
  tray->OnMouseMove = [this](TrayButtons shift, int x, int y) {
    log.push_back("move " + std::to_string(shift) + " " + std::to_string(x) + "," +
                  std::to_string(y));
  };
  tray->Loaded();
  area.ShellEvent(kWmMouseMove);
  EXPECT_EQ(log, (Log{"enter", "move 0 1500,1060"}));
  area.Cursor = {0, 0};  // the watcher's next check finds the cursor gone
  EXPECT_TRUE(ui.WaitUntil([this] { return log.back() == "exit"; }, std::chrono::seconds(10)));
}

}  // namespace
}  // namespace kv
