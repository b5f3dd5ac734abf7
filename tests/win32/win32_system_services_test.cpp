// The small services: error texts, the clock, process start, synthetic input, key names.
#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <string>

#include "platform/win32/exe_directory.h"
#include "platform/win32/multimedia_clock.h"
#include "platform/win32/system_error.h"
#include "platform/win32/win32_input_injector.h"
#include "platform/win32/win32_process_launcher.h"
#include "win32/win32_temp_dir.h"

namespace kv::win32_backend {
namespace {

TEST(Win32SystemError, GivesTheSystemTextUnchangedAndTrimmedOnRequest) {
  const std::string raw = SystemErrorText(ERROR_FILE_NOT_FOUND);
  ASSERT_GE(raw.size(), 3u);
  EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");  // the system's own line ending is kept
  const std::string trimmed = TrimmedSystemErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(trimmed, raw.substr(0, raw.size() - 2));
  // A code without a text: nothing, and no stale text of an earlier call.
  EXPECT_EQ(SystemErrorText(0x2FFFFFFF), "");
  const FileError error = FileErrorOf("MoveFileExA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(error.Describe(), "MoveFileExA: " + TrimmedSystemErrorText(5) + " (5)");
}

TEST(Win32MultimediaClock, FollowsTheSystemClockAndSleeps) {
  MultimediaClock clock;
  const uint32_t before = clock.NowMs();
  EXPECT_LT(timeGetTime() - before, 1000u);  // the system's own counter, read just after
  clock.SleepMs(30);
  const uint32_t elapsed = clock.NowMs() - before;
  EXPECT_GE(elapsed, 25u);  // the clock ticks at the scheduler's granularity
  EXPECT_LT(elapsed, 5000u);
}

// Waits (bounded) for a file that another process creates.
bool AppearsWithin(const std::filesystem::path& file, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    if (GetFileAttributesA(file.string().c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(20);
  }
  return false;
}

TEST(Win32ProcessLauncher, StartsWindowsProgramsAndRefusesMissingOnes) {
  test::Win32TempDir dir;
  Win32ProcessLauncher launcher;
  const auto marker = dir.Path() / "started.txt";
  EXPECT_TRUE(launcher.Start("cmd /c echo started> \"" + marker.string() + "\""));
  EXPECT_TRUE(AppearsWithin(marker, 10000));
  EXPECT_TRUE(launcher.Start("cmd /c exit 3"));
  // This very program, its path quoted, with arguments: it runs one small test and writes the
  // result file the arguments name.
  char self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  const auto report = dir.Path() / "child.xml";
  EXPECT_TRUE(launcher.Start("\"" + std::string(self) +
                             "\" --gtest_filter=Win32ExeDirectory.CutsAfterTheLastBackslashOrColon"
                             " --gtest_brief=1 --gtest_output=xml:" +
                             report.string()));
  EXPECT_TRUE(AppearsWithin(report, 20000));

  EXPECT_FALSE(launcher.Start("kv-no-such-program-anywhere.exe"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(launcher.Start(""));
}

TEST(Win32InputInjector, MapsEachButtonToItsOwnFlags) {
  const struct {
    MouseButton Button;
    uint32_t Down, Up;
  } rows[] = {{MouseButton::Left, 0x0002, 0x0004},
              {MouseButton::Right, 0x0008, 0x0010},
              {MouseButton::Middle, 0x0020, 0x0040}};
  for (const auto& row : rows) {
    EXPECT_EQ(MouseEventFlag(row.Button, true), row.Down);
    EXPECT_EQ(MouseEventFlag(row.Button, false), row.Up);
  }
}

bool IsDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

TEST(Win32InputInjector, PressesAndReleasesKeysAndButtons) {
  Win32InputInjector injector;
  for (uint8_t key : {uint8_t{0x10}, uint8_t{0x11}, uint8_t{0x41}}) {
    injector.KeyEvent(key, true);
    EXPECT_TRUE(IsDown(key)) << int(key);
    injector.KeyEvent(key, false);
    EXPECT_FALSE(IsDown(key)) << int(key);
  }
  injector.MouseButtonEvent(MouseButton::Left, true);
  EXPECT_TRUE(IsDown(VK_LBUTTON));
  injector.MouseButtonEvent(MouseButton::Left, false);
  EXPECT_FALSE(IsDown(VK_LBUTTON));
}

}  // namespace
}  // namespace kv::win32_backend
