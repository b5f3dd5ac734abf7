// Termination requests (SIGTERM, as a desktop session's logout sends) while a box waits for the
// user: the program still ends, in order.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/program_run.h"

namespace kv::test {
namespace {

using std::chrono::milliseconds;

const std::vector<uint8_t> kStatusRequest = Padded({0x15, 0x00, 0x00});
constexpr std::size_t kSetUpReports = 10;  // data mode, IR camera set-up, status request

std::size_t StatusRequests(const std::vector<LoggedReport>& logged) {
  std::size_t count = 0;
  for (const LoggedReport& report : logged) count += report.Bytes == kStatusRequest ? 1 : 0;
  return count;
}

// Minimised at start with no notification area on the display: the window's creation opens an
// error box, which stays open since nobody is there to click it.
TEST(EndToEnd, StartUpBoxKeepsTheTimersRunningAndEndsOnTermination) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  run.Write("config.ini", "[General]\nMinimizeOnStartup=1\n");
  ASSERT_TRUE(run.StartWithScenario(""));
  ASSERT_TRUE(run.WaitForLogged(kSetUpReports)) << run.Output();
  // The box is the one window: the main window is shown only once it is built.
  ASSERT_TRUE(run.WaitForTitle("Kestrovane")) << run.Output();

  // The battery timer asks for the status about once a second while the box is open.
  ASSERT_TRUE(PollUntil([&] { return StatusRequests(run.Logged()) >= 3; }, milliseconds(6000)))
      << "status requests: " << StatusRequests(run.Logged());
  EXPECT_EQ(run.Titles(), std::vector<std::string>{"Kestrovane"});

  EXPECT_EQ(run.Terminate(), 0) << run.Output();
  const IniSections ini = ParseIni(ReadFileText((run.Dir() / "config.ini").string()));
  ASSERT_TRUE(ini.count("General"));
  EXPECT_EQ(ini.at("General").at("MinimizeOnStartup"), "1");
  const std::vector<LoggedReport> logged = run.Logged();
  ASSERT_GE(logged.size(), kSetUpReports + 2);
  EXPECT_EQ(Hex(logged[logged.size() - 2].Bytes), Hex(Padded({0x11, 0x80, 0x00})));
  EXPECT_EQ(Hex(logged[logged.size() - 1].Bytes), Hex(Padded({0x12, 0x00, 0x30})));
}

// config.ini cannot be written (a directory stands in its place): the exit shows the error box,
// and the next termination request ends the program, with status 1 for the settings it lost. No
// controller: the main window's caption says "Device not found", which tells it from the box.
TEST(EndToEnd, SecondTerminationEndsTheProgramAtTheSaveErrorBox) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  std::filesystem::create_directory(run.Dir() / "config.ini");
  ASSERT_TRUE(run.Start({}));
  ASSERT_TRUE(run.WaitForTitle("Device not found")) << run.Output();

  // The first request closes the main window; the failed save is reported in a box that stays.
  EXPECT_EQ(run.Terminate(milliseconds(1500)), -1) << run.Output();
  ASSERT_TRUE(run.WaitForTitle("Kestrovane")) << run.Output();
  EXPECT_EQ(run.Terminate(), 1) << run.Output();
  EXPECT_TRUE(std::filesystem::is_directory(run.Dir() / "config.ini"));
}

}  // namespace
}  // namespace kv::test
