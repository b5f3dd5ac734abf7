// The real program losing its controller and finding one again, and the Wii Remote Plus.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "e2e/program_run.h"
#include "support/raw_input_recorder.h"

namespace kv::test {
namespace {

using std::chrono::milliseconds;

constexpr uint8_t kVkBack = 0x08;
constexpr uint32_t kPlugMs = 3000;

const std::vector<std::vector<uint8_t>> kSetUp = ControllerSetUpReports();

// The window's titles, each change once, until `done` says the list is complete.
bool WatchTitles(const ProgramRun& run, std::vector<std::string>& seen,
                 const std::function<bool(const std::vector<std::string>&)>& done) {
  return PollUntil(
      [&] {
        const std::vector<std::string> titles = run.Titles();
        if (titles.size() == 1 && (seen.empty() || seen.back() != titles[0])) {
          seen.push_back(titles[0]);
        }
        return done(seen);
      },
      kPatience, milliseconds(5));
}

std::size_t Find(const std::vector<std::string>& seen, const std::string& title,
                 std::size_t from = 0) {
  const auto found = std::find(seen.begin() + static_cast<std::ptrdiff_t>(from), seen.end(), title);
  return static_cast<std::size_t>(found - seen.begin());
}

TEST(EndToEnd, ControllerSwitchedOffAndOnAgainIsSetUpAgain) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  RawInputRecorder recorder;
  ASSERT_TRUE(recorder.Open());
  // A (left button) held when the controller goes; back again, Home ("BkSp") shows it works.
  ASSERT_TRUE(
      run.StartWithScenario("battery 150\n"
                            "500 31 00 08 80 80 80\n"
                            "1500 unplug\n" +
                            std::to_string(kPlugMs) +
                            " plug\n"
                            "4000 31 00 80 80 80 80\n"
                            "4100 31 00 00 80 80 80\n"));

  // Set up, lost (the caption as at start without a controller), set up again.
  std::vector<std::string> seen;
  const bool completed = WatchTitles(run, seen, [](const std::vector<std::string>& titles) {
    const std::size_t lost = Find(titles, "Device not found");
    return lost < titles.size() && Find(titles, "Kestrovane", lost) < titles.size();
  });
  ASSERT_TRUE(completed) << run.Output();
  const std::size_t lost = Find(seen, "Device not found");
  ASSERT_GE(lost, 2u);
  EXPECT_EQ(seen[lost - 1], "Kestrovane - No Wiimote detected.");
  EXPECT_EQ(seen[lost - 2], "Kestrovane");
  // Polled every few milliseconds, the 200 ms steps of the set-up cannot be missed.
  const std::vector<std::string> again(seen.begin() + static_cast<std::ptrdiff_t>(lost) + 1,
                                       seen.end());
  ASSERT_GE(again.size(), 2u);
  EXPECT_EQ(again[again.size() - 2], "Kestrovane - IR Sensor Initialing..");
  EXPECT_NE(Find(again, "Kestrovane - Motion Sensor Initialing.."), again.size());
  for (const std::string& title : again) EXPECT_EQ(title.rfind("Error(", 0), std::string::npos);

  // The whole set-up went to the controller a second time after it came back.
  ASSERT_TRUE(run.WaitForLogged(2 * kSetUp.size())) << run.Output();
  const std::vector<LoggedReport> logged = run.Logged();
  const auto back = std::find_if(logged.begin(), logged.end(),
                                 [](const LoggedReport& r) { return r.AtMs >= kPlugMs; });
  ASSERT_GE(logged.end() - back, static_cast<std::ptrdiff_t>(kSetUp.size()));
  for (std::size_t i = 0; i < kSetUp.size(); ++i) {
    EXPECT_EQ(Hex(back[static_cast<std::ptrdiff_t>(i)].Bytes), Hex(kSetUp[i])) << "report " << i;
  }
  // From the plug to the last report of the set-up, after which the caption is "Kestrovane".
  const uint32_t reconnectMs = back[kSetUp.size() - 1].AtMs - kPlugMs;
  RecordProperty("reconnect_ms", static_cast<int>(reconnectMs));
  RecordProperty("device_change_to_first_report_ms", static_cast<int>(back->AtMs - kPlugMs));
  EXPECT_GE(reconnectMs, 390u);
  EXPECT_LE(reconnectMs, 2000u);

  // The held button was let go when the controller went; the new one's buttons work.
  bool arrived = false;
  const std::vector<RawInput> events =
      recorder.CollectUntil(recorder.KeyOf(kVkBack, false), kPatience, arrived);
  ASSERT_TRUE(arrived) << run.Output();
  EXPECT_EQ(events, (std::vector<RawInput>{RawInputRecorder::ButtonOf(1, true),
                                           RawInputRecorder::ButtonOf(1, false),
                                           recorder.KeyOf(kVkBack, true)}));
  EXPECT_EQ(run.Terminate(), 0) << run.Output();
}

TEST(EndToEnd, WiiRemotePlusIsSetUpLikeTheOriginal) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  ASSERT_TRUE(run.StartWithScenario("product 0x0330\nbattery 150\n"));
  ASSERT_TRUE(run.WaitForLogged(kSetUp.size())) << run.Output();
  std::vector<LoggedReport> logged = run.Logged();
  logged.resize(kSetUp.size());
  EXPECT_EQ(Hex(logged), Hex(kSetUp));
  EXPECT_TRUE(run.WaitForTitle("Kestrovane")) << run.Output();
  EXPECT_EQ(run.Terminate(), 0) << run.Output();
}

}  // namespace
}  // namespace kv::test
