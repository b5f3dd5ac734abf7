// The real program from start to exit: the controller's set-up, the status requests, the
// window title, the settings file written at exit, and the command line.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <vector>

#include "e2e/program_run.h"

namespace kv::test {
namespace {

using std::chrono::milliseconds;

const std::vector<std::vector<uint8_t>> kSetUp = ControllerSetUpReports();
const std::vector<uint8_t> kStatusRequest = Padded({0x15, 0x00, 0x00});

TEST(EndToEnd, SetsUpTheControllerThenAsksForItsStatusEverySecond) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  ASSERT_TRUE(run.StartWithScenario("battery 150\n"));
  ASSERT_TRUE(run.WaitForLogged(kSetUp.size() + 3)) << run.Output();

  const std::vector<LoggedReport> logged = run.Logged();
  for (std::size_t i = 0; i < kSetUp.size(); ++i) {
    EXPECT_EQ(Hex(logged[i].Bytes), Hex(kSetUp[i])) << "report " << i;
  }
  // A pause of about 200 ms after each change of the reporting mode; the IR reports back to back.
  EXPECT_GE(logged[1].AtMs - logged[0].AtMs, 190u);
  EXPECT_LE(logged[1].AtMs - logged[0].AtMs, 700u);
  EXPECT_LE(logged[8].AtMs - logged[1].AtMs, 150u);
  EXPECT_GE(logged[9].AtMs - logged[8].AtMs, 190u);
  EXPECT_LE(logged[9].AtMs - logged[8].AtMs, 700u);
  // Then the battery timer's status requests, about one a second and nothing else.
  for (std::size_t i = kSetUp.size(); i < logged.size(); ++i) {
    EXPECT_EQ(Hex(logged[i].Bytes), Hex(kStatusRequest)) << "report " << i;
    if (i > kSetUp.size()) {
      EXPECT_GE(logged[i].AtMs - logged[i - 1].AtMs, 800u) << "report " << i;
      EXPECT_LE(logged[i].AtMs - logged[i - 1].AtMs, 1500u) << "report " << i;
    }
  }
  EXPECT_EQ(run.Titles(), std::vector<std::string>{"Kestrovane"});
}

TEST(EndToEnd, TerminationSavesTheSettingsAndLeavesTheControllerOnLed4) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  ASSERT_TRUE(run.StartWithScenario(""));
  ASSERT_TRUE(run.WaitForLogged(kSetUp.size())) << run.Output();
  ASSERT_TRUE(run.WaitForTitle("Kestrovane"));
  EXPECT_EQ(run.Terminate(), 0) << run.Output();

  const IniSections ini = ParseIni(ReadFileText((run.Dir() / "config.ini").string()));
  std::map<std::string, std::size_t> keys;
  std::size_t total = 0;
  for (const auto& [section, values] : ini) {
    keys[section] = values.size();
    total += values.size();
  }
  const std::map<std::string, std::size_t> expected = {
      {"General", 4}, {"Motion", 10}, {"Up", 2}, {"Down", 2}, {"Right", 2},
      {"Left", 2},    {"A", 2},       {"B", 2},  {"Home", 2}, {"Plus", 2},
      {"Minus", 2},   {"1", 2},       {"2", 2}};
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(total, 36u);
  ASSERT_TRUE(ini.count("General"));
  EXPECT_EQ(ini.at("General").at("CursorMode"), "Motion");

  const std::vector<LoggedReport> logged = run.Logged();
  ASSERT_GE(logged.size(), kSetUp.size() + 2);
  EXPECT_EQ(Hex(logged[logged.size() - 2].Bytes), Hex(Padded({0x11, 0x80, 0x00})));
  EXPECT_EQ(Hex(logged[logged.size() - 1].Bytes), Hex(Padded({0x12, 0x00, 0x30})));
}

TEST(EndToEnd, TerminationDuringTheSetUpLetsItFinishBeforeTheExitSteps) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  ASSERT_TRUE(run.StartWithScenario(""));
  // The first report starts a 200 ms pause; the signal is seen at the next message processing.
  ASSERT_TRUE(PollUntil([&] { return !run.Logged().empty(); }, kPatience, milliseconds(2)))
      << run.Output();
  EXPECT_EQ(run.Terminate(), 0) << run.Output();

  std::vector<std::vector<uint8_t>> expected = kSetUp;
  expected.push_back(Padded({0x11, 0x80, 0x00}));
  expected.push_back(Padded({0x12, 0x00, 0x30}));
  EXPECT_EQ(Hex(run.Logged()), Hex(expected));
  EXPECT_TRUE(std::filesystem::exists(run.Dir() / "config.ini"));
}

TEST(EndToEnd, WithoutAControllerTheTitleSaysDeviceNotFoundAfterASecond) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  ASSERT_TRUE(run.Start({}));
  std::vector<std::string> seen;
  ASSERT_TRUE(PollUntil(
      [&] {
        const std::vector<std::string> titles = run.Titles();
        if (titles.size() == 1 && (seen.empty() || seen.back() != titles[0])) {
          seen.push_back(titles[0]);
        }
        return !seen.empty() && seen.back() == "Device not found";
      },
      kPatience, milliseconds(10)))
      << run.Output();
  const auto elapsed =
      std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - run.Started());
  // The first status request goes out one battery-timer period after the window exists.
  EXPECT_GE(elapsed.count(), 1000);
  EXPECT_LE(elapsed.count(), 8000);
  RecordProperty("device_not_found_ms", static_cast<int>(elapsed.count()));
  // Before that, the first device change found no controller (the window may have shown its
  // initial title too briefly to be seen).
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[seen.size() - 2], "Kestrovane - No Wiimote detected.");
  if (seen.size() > 2) {
    EXPECT_EQ(seen.front(), "Kestrovane");
  }
  EXPECT_LE(seen.size(), 3u);
  EXPECT_EQ(run.Terminate(), 0) << run.Output();
  EXPECT_TRUE(std::filesystem::exists(run.Dir() / "config.ini"));
}

// A run of the program's binary that needs no X server; its exit code and output.
struct Result {
  int Exit = -1;
  std::string Output;
};

Result RunProgram(const std::vector<std::string>& arguments) {
  ProgramRun run;
  if (!run.Start(arguments)) return {};
  return {run.Process().Wait(static_cast<int>(kPatience.count())), run.Output()};
}

TEST(EndToEnd, CommandLineAnswersAndRefusals) {
  const Result help = RunProgram({"--help"});
  EXPECT_EQ(help.Exit, 0);
  EXPECT_NE(help.Output.find("--virtual-wiimote FILE"), std::string::npos) << help.Output;

  const Result version = RunProgram({"--version"});
  EXPECT_EQ(version.Exit, 0);
  EXPECT_EQ(version.Output.rfind("Kestrovane ", 0), 0u) << version.Output;

  const Result unknown = RunProgram({"--frobnicate"});
  EXPECT_EQ(unknown.Exit, 2);
  EXPECT_NE(unknown.Output.find("--frobnicate"), std::string::npos) << unknown.Output;
}

TEST(EndToEnd, MissingScenarioFileIsNamedAndEndsTheProgram) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());
  ASSERT_TRUE(run.Start({"--virtual-wiimote", "/nonexistent/scenario.txt"}));
  EXPECT_EQ(run.Process().Wait(static_cast<int>(kPatience.count())), 1);
  EXPECT_NE(run.Output().find("/nonexistent/scenario.txt"), std::string::npos) << run.Output();
  EXPECT_TRUE(run.Titles().empty());
}

TEST(EndToEnd, ScenariosThatCannotBeReadWholeAreRefusedAtOnce) {
  ProgramRun run;
  ASSERT_TRUE(run.StartDisplay());  // the runs below use it too
  // A FIFO nobody writes to would block the start for ever; a bad token is shown escaped, never
  // as the raw bytes that would reach the terminal.
  const std::filesystem::path fifo = run.Dir() / "scenario.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::filesystem::path binary = run.Write("binary.txt", "0 31 \x1b]0;owned\x07\n");
  for (const auto& [path, expected] :
       {std::pair{fifo.string(), fifo.string() + ": not a regular file"},
        std::pair{binary.string(),
                  binary.string() + ": line 1: bad report byte '\\x1b]0;owned\\x07'"}}) {
    SCOPED_TRACE(path);
    const Result result = RunProgram({"--virtual-wiimote", path});
    EXPECT_EQ(result.Exit, 1) << result.Output;
    EXPECT_NE(result.Output.find(expected), std::string::npos) << result.Output;
    EXPECT_EQ(result.Output.find('\x1b'), std::string::npos) << result.Output;
  }
}

TEST(EndToEnd, WithoutADisplayTheProgramSaysSoAndEnds) {
  struct Case {
    const char* Display;  // nullptr: not set
    const char* Named;
  };
  const char* const saved = getenv("DISPLAY");
  const std::string previous = saved ? saved : "";
  for (const Case c : {Case{nullptr, "DISPLAY"}, Case{":4093", ":4093"}}) {
    SCOPED_TRACE(c.Named);
    if (c.Display) {
      setenv("DISPLAY", c.Display, 1);
    } else {
      unsetenv("DISPLAY");
    }
    const Result result = RunProgram({});
    EXPECT_NE(result.Exit, 0);
    EXPECT_LT(result.Exit, 128) << "killed by a signal: " << result.Output;
    EXPECT_NE(result.Output.find(c.Named), std::string::npos) << result.Output;
  }
  if (saved) {
    setenv("DISPLAY", previous.c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
}

}  // namespace
}  // namespace kv::test
