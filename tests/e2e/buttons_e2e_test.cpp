// The real program turning controller buttons into X input events.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e/program_run.h"
#include "support/raw_input_recorder.h"

namespace kv::test {
namespace {

constexpr uint8_t kVkBack = 0x08;
constexpr uint8_t kVkTab = 0x09;
constexpr uint8_t kVkReturn = 0x0D;

TEST(EndToEnd, ButtonsClickTypeAndRepeatWithTheirDefaultActions) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  RawInputRecorder recorder;
  ASSERT_TRUE(recorder.Open());
  // A (left click) pressed and released; Plus ("Enter"); 1 ("Tab", repeating) held 1200 ms;
  // Home ("BkSp") last, as the end marker.
  ASSERT_TRUE(
      run.StartWithScenario("500 31 00 08 80 80 80\n"
                            "700 31 00 00 80 80 80\n"
                            "900 31 10 00 80 80 80\n"
                            "1000 31 00 00 80 80 80\n"
                            "1200 31 00 02 80 80 80\n"
                            "2400 31 00 00 80 80 80\n"
                            "2600 31 00 80 80 80 80\n"
                            "2700 31 00 00 80 80 80\n"));
  bool arrived = false;
  std::vector<RawInput> events =
      recorder.CollectUntil(recorder.KeyOf(kVkBack, false), kPatience, arrived);
  ASSERT_TRUE(arrived) << run.Output();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), recorder.KeyOf(kVkBack, true));
  events.pop_back();

  const std::vector<RawInput> head = {
      RawInputRecorder::ButtonOf(1, true), RawInputRecorder::ButtonOf(1, false),
      recorder.KeyOf(kVkReturn, true), recorder.KeyOf(kVkReturn, false)};
  ASSERT_GE(events.size(), head.size());
  EXPECT_EQ(std::vector<RawInput>(events.begin(), events.begin() + 4), head);
  const std::vector<RawInput> tabs(events.begin() + 4, events.end());
  ASSERT_EQ(tabs.size() % 2, 0u);
  for (std::size_t i = 0; i < tabs.size(); i += 2) {
    EXPECT_EQ(tabs[i], recorder.KeyOf(kVkTab, true)) << i;
    EXPECT_EQ(tabs[i + 1], recorder.KeyOf(kVkTab, false)) << i;
  }
  // One at the press, then one per repeat tick (about 20 ms) from 800 ms on: about 20 repeats
  // in the last 400 ms of the hold.
  const std::size_t repeats = tabs.size() / 2 - 1;
  RecordProperty("tab_repeats", static_cast<int>(repeats));
  EXPECT_GE(repeats, 5u);
  EXPECT_LE(repeats, 30u);
  EXPECT_EQ(run.Terminate(), 0) << run.Output();
}

// The pointer buttons and keys the X server holds down, over a connection of the test's own.
struct HeldInput {
  unsigned int Buttons = 0;  // Button1Mask ... Button5Mask
  int Keys = 0;              // keys down
};

HeldInput ReadHeldInput() {
  HeldInput held;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return held;
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &winX, &winY,
                &held.Buttons);
  held.Buttons &= Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask;
  char keys[32] = {};
  XQueryKeymap(display, keys);
  for (const char byte : keys) held.Keys += __builtin_popcount(static_cast<unsigned char>(byte));
  XCloseDisplay(display);
  return held;
}

TEST(EndToEnd, EndingTheProgramLetsGoOfTheHeldMouseButtonAndKeys) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  // A ("Mouse->Left Click") and 1 ("Tab", repeating) held down until the end.
  ASSERT_TRUE(run.StartWithScenario("500 31 00 0a 80 80 80\n"));
  HeldInput held;
  ASSERT_TRUE(PollUntil([&] { return (held = ReadHeldInput()).Buttons != 0; }, kPatience))
      << run.Output();
  EXPECT_EQ(held.Buttons, static_cast<unsigned int>(Button1Mask));
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // into the repeats

  EXPECT_EQ(run.Terminate(), 0) << run.Output();
  held = ReadHeldInput();
  EXPECT_EQ(held.Buttons, 0u) << "a mouse button stays down after the program ended";
  EXPECT_EQ(held.Keys, 0) << "a key stays down after the program ended";
}

}  // namespace
}  // namespace kv::test
