// The real program moving the X pointer: by tilt, and by where the controller points.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "e2e/program_run.h"

namespace kv::test {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

struct PointerSample {
  Clock::time_point At;
  int X = 0;
  int Y = 0;
};

// Reads the X pointer over its own connection to the display named by DISPLAY.
class PointerWatcher {
 public:
  PointerWatcher() : display_(XOpenDisplay(nullptr)) {}
  ~PointerWatcher() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  PointerWatcher(const PointerWatcher&) = delete;
  PointerWatcher& operator=(const PointerWatcher&) = delete;

  bool Ok() const { return display_ != nullptr; }

  PointerSample Read() {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &winX,
                  &winY, &mask);
    return {Clock::now(), rootX, rootY};
  }

  // Samples the pointer every couple of milliseconds until it has moved and then stayed put for
  // `still`, or `timeout` passes.
  std::vector<PointerSample> RecordUntilStill(milliseconds still, milliseconds timeout) {
    std::vector<PointerSample> samples = {Read()};
    const auto deadline = Clock::now() + timeout;
    Clock::time_point lastChange = samples.front().At;
    bool moved = false;
    while (Clock::now() < deadline) {
      std::this_thread::sleep_for(milliseconds(2));
      const PointerSample sample = Read();
      if (sample.X != samples.back().X || sample.Y != samples.back().Y) {
        samples.push_back(sample);
        lastChange = sample.At;
        moved = true;
      } else if (moved && sample.At - lastChange >= still) {
        break;
      }
    }
    return samples;
  }

  // Puts the pointer somewhere, as the user's own mouse would.
  void MoveTo(int x, int y) {
    XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, x, y);
    XSync(display_, False);
  }

  // Waits until the pointer is within `tolerance` of (x, y) on both axes.
  bool WaitNear(int x, int y, int tolerance, milliseconds timeout, PointerSample& last) {
    return PollUntil(
        [&] {
          last = Read();
          return std::abs(last.X - x) <= tolerance && std::abs(last.Y - y) <= tolerance;
        },
        timeout, milliseconds(5));
  }

 private:
  Display* display_;
};

// A button press and its release: B, assigned "Cursor ON/OFF", clicked shortly switches the
// cursor on and leaves it on.
constexpr const char* kCursorOnByB =
    "500 31 00 04 80 80 80\n"
    "600 31 00 00 80 80 80\n";

TEST(EndToEnd, TiltMovesThePointerSixPixelsATickInItsDirection) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  PointerWatcher pointer;
  ASSERT_TRUE(pointer.Ok());
  // X 10 counts above the rest value for half a second, then 10 below for 300 ms.
  ASSERT_TRUE(run.StartWithScenario(std::string(kCursorOnByB) + "1000 31 00 00 8a 80 80\n"
                                                                "1500 31 00 00 80 80 80\n"
                                                                "1800 31 00 00 76 80 80\n"
                                                                "2100 31 00 00 80 80 80\n"));
  const std::vector<PointerSample> samples = pointer.RecordUntilStill(milliseconds(700), kPatience);
  ASSERT_GE(samples.size(), 3u) << run.Output();

  const PointerSample& start = samples.front();
  std::size_t peak = 0;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(samples[i].Y, start.Y) << "the vertical axis is at rest";
    if (i > 0) {
      const int step = samples[i].X - samples[i - 1].X;
      EXPECT_EQ(step % 6, 0) << "moved " << step << " pixels between two readings";
    }
    if (samples[i].X > samples[peak].X) peak = i;
  }
  const int right = samples[peak].X - start.X;
  const int left = samples[peak].X - samples.back().X;
  EXPECT_GT(right, 0);
  EXPECT_GT(left, 0);
  // About 50 ticks of 10 ms to the right and 30 back; never faster than one tick per 10 ms.
  EXPECT_GE(right / 6, 20);
  EXPECT_LE(right / 6, 65);
  EXPECT_GE(left / 6, 10);
  EXPECT_LE(left / 6, 45);
  const auto rightMs =
      std::chrono::duration_cast<milliseconds>(samples[peak].At - samples[1].At).count();
  RecordProperty("right_ticks", right / 6);
  RecordProperty("left_ticks", left / 6);
  RecordProperty("right_ms", static_cast<int>(rightMs));
  EXPECT_LE(right / 6 - 1, rightMs / 10 + 3) << "ticks faster than every 10 ms";
  EXPECT_EQ(run.Terminate(), 0) << run.Output();
}

// Bytes of two IR points in the camera's extended format around a midpoint, 100 apart
// horizontally, followed by the two unseen points.
std::string IRPointsAround(int midX, int midY) {
  std::string text;
  char byte[8];
  for (const int x : {midX - 50, midX + 50}) {
    const int third = ((midY >> 8) << 6) | ((x >> 8) << 4) | 2;
    for (const int value : {x & 0xff, midY & 0xff, third}) {
      std::snprintf(byte, sizeof byte, " %02x", value);
      text += byte;
    }
  }
  return text + " ff ff ff ff ff ff";
}

TEST(EndToEnd, PointingSettlesThePointerOnTheTargetOfTheIRMidpoint) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  PointerWatcher pointer;
  ASSERT_TRUE(pointer.Ok());
  run.Write("config.ini", "[General]\nCursorMode=IR\n");
  const std::string first = IRPointsAround(100, 100);
  const std::string second = IRPointsAround(512, 383);
  ASSERT_TRUE(run.StartWithScenario("500 33 00 04 80 80 80" + first + "\n" +
                                    "600 33 00 00 80 80 80" + first + "\n" +
                                    "2000 33 00 00 80 80 80" + second + "\n"));
  // On 1920 x 1080, midpoint (100, 100) points at (1733, 141) and (512, 383) at (960, 541). Each
  // tick covers a sixth of the way, in whole pixels, so it may stop up to 5 pixels short.
  PointerSample last;
  EXPECT_TRUE(pointer.WaitNear(1733, 141, 5, kPatience, last))
      << "pointer at " << last.X << "," << last.Y << "\n"
      << run.Output();
  EXPECT_TRUE(pointer.WaitNear(960, 541, 5, kPatience, last))
      << "pointer at " << last.X << "," << last.Y;
  std::this_thread::sleep_for(milliseconds(200));
  last = pointer.Read();
  EXPECT_LE(std::abs(last.X - 960), 5) << last.X;
  EXPECT_LE(std::abs(last.Y - 541), 5) << last.Y;
  EXPECT_EQ(run.Terminate(), 0) << run.Output();
}

TEST(EndToEnd, TheCursorStopsWhenTheControllerLeaves) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  PointerWatcher pointer;
  ASSERT_TRUE(pointer.Ok());
  // Tilted to the right from 1000 ms on, and unplugged while still tilted.
  ASSERT_TRUE(run.StartWithScenario(std::string(kCursorOnByB) + "1000 31 00 00 8a 80 80\n"
                                                                "1500 unplug\n"));
  const PointerSample start = pointer.Read();
  ASSERT_TRUE(PollUntil([&] { return pointer.Read().X > start.X; }, kPatience)) << run.Output();
  // The device change that reports it gone changes the title.
  ASSERT_TRUE(
      PollUntil([&] { return run.Titles() != std::vector<std::string>{"Kestrovane"}; }, kPatience));
  std::this_thread::sleep_for(milliseconds(100));
  const PointerSample gone = pointer.Read();
  std::this_thread::sleep_for(milliseconds(500));
  const PointerSample later = pointer.Read();
  EXPECT_EQ(later.X, gone.X) << "the cursor drifts on the last samples of a controller gone";
  EXPECT_EQ(later.Y, gone.Y);
  EXPECT_EQ(run.Terminate(), 0) << run.Output();
}

TEST(EndToEnd, PointingMapsOntoThePrimaryMonitorWhereverItSits) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay(1920, 800));
  // The primary monitor is the right one, 640 pixels wide, starting at x 1280.
  ASSERT_EQ(RunCommand("xrandr --setmonitor LEFT 1280/338x800/211+0+0 screen"), 0);
  ASSERT_EQ(RunCommand("xrandr --setmonitor '*RIGHT' 640/169x800/211+1280+0 none"), 0);
  PointerWatcher pointer;
  ASSERT_TRUE(pointer.Ok());
  run.Write("config.ini", "[General]\nCursorMode=IR\n");
  const std::string centre = IRPointsAround(512, 383);
  ASSERT_TRUE(run.StartWithScenario("500 33 00 04 80 80 80" + centre + "\n" +
                                    "600 33 00 00 80 80 80" + centre + "\n"));
  // The camera's centre is the centre of RIGHT: (1280 + 320, 800 x 383 / 765 = 400.5).
  PointerSample last;
  EXPECT_TRUE(pointer.WaitNear(1600, 401, 5, kPatience, last))
      << "pointer at " << last.X << "," << last.Y << "\n"
      << run.Output();
  EXPECT_EQ(run.Terminate(), 0) << run.Output();
}

TEST(EndToEnd, TiltKeepsTheCursorOnTheMonitorsOfDifferentHeights) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay(1920, 1080));
  // RIGHT is 600 rows high: the screen's bottom-right part, below it, is shown by no monitor.
  ASSERT_EQ(RunCommand("xrandr --setmonitor '*LEFT' 1280/338x1080/286+0+0 screen"), 0);
  ASSERT_EQ(RunCommand("xrandr --setmonitor RIGHT 640/169x600/159+1280+0 none"), 0);
  PointerWatcher pointer;
  ASSERT_TRUE(pointer.Ok());
  pointer.MoveTo(1000, 300);
  // Tilted right and down (6 and 5 pixels a tick) from 1000 ms on, and held so.
  ASSERT_TRUE(run.StartWithScenario(std::string(kCursorOnByB) + "1000 31 00 00 8a 8a 80\n"));
  const std::vector<PointerSample> samples = pointer.RecordUntilStill(milliseconds(700), kPatience);
  ASSERT_GE(samples.size(), 3u) << run.Output();
  for (const PointerSample& s : samples) {
    const bool onLeft = s.X < 1280;
    const bool onRight = s.X >= 1280 && s.Y < 600;
    ASSERT_TRUE(onLeft || onRight)
        << "the cursor went to " << s.X << "," << s.Y << ", where no monitor shows it";
  }
  // Along RIGHT's bottom border into its corner, where the edge rumble started.
  EXPECT_EQ(samples.back().X, 1919);
  EXPECT_EQ(samples.back().Y, 599);
  bool rumbled = false;
  for (const LoggedReport& report : run.Logged()) {
    rumbled = rumbled || Hex(report.Bytes).rfind("11 91", 0) == 0;
  }
  EXPECT_TRUE(rumbled);
  EXPECT_EQ(run.Terminate(), 0) << run.Output();
}

}  // namespace
}  // namespace kv::test
