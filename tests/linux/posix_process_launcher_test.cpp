#include "platform/linux/posix_process_launcher.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"

namespace kv::linux_backend {
namespace {

constexpr const char* kProbeVariable = "KV_LAUNCH_PROBE";

// When this test program is started with KV_LAUNCH_PROBE set, it reports how it was started to
// that file and ends before any test runs: its arguments, its open descriptors, its blocked
// signals and whether it leads its own session.
std::string ProbeReport() {
  std::ostringstream report;
  // Descriptors first, while the probe itself has opened nothing but the listed directory.
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (const dirent* entry = readdir(dir)) {
      const int fd = std::atoi(entry->d_name);
      if (entry->d_name[0] != '.' && fd > 2 && fd != dirfd(dir)) report << "fd " << fd << "\n";
    }
    closedir(dir);
  }
  report << "pid " << getpid() << "\n";
  report << "session " << (getsid(0) == getpid() ? "own" : "inherited") << "\n";
  {
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    std::string argument;
    while (std::getline(cmdline, argument, '\0')) report << "arg " << argument << "\n";
  }
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigBlk:", 0) == 0) report << line << "\n";
  }
  return report.str();
}

[[maybe_unused]] const bool kProbed = [] {
  const char* out = std::getenv(kProbeVariable);
  if (out == nullptr) return false;
  const std::string temporary = std::string(out) + ".part";
  const std::string report = ProbeReport();
  std::ofstream(temporary) << report;
  std::rename(temporary.c_str(), out);
  _exit(0);
}();

std::string OwnExecutable() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

struct Probe {
  pid_t Pid = 0;
  std::vector<std::string> Arguments;
  std::vector<int> Fds;
  std::string SigBlk;
  bool OwnSession = false;
};

class PosixProcessLauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = test::MakeTempDirectory();
    ASSERT_FALSE(directory_.empty());
    report_ = directory_ + "/report";
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  bool Start(const std::string& commandLine) {
    setenv(kProbeVariable, report_.c_str(), 1);
    const bool started = launcher_.Start(commandLine);
    unsetenv(kProbeVariable);
    return started;
  }

  // Waits for the started probe's report (a started program is outside the test's clock).
  Probe Read() {
    Probe probe;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(report_) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::istringstream in(test::ReadFileText(report_));
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("pid ", 0) == 0) probe.Pid = std::atoi(line.c_str() + 4);
      if (line == "session own") probe.OwnSession = true;
      if (line.rfind("arg ", 0) == 0) probe.Arguments.push_back(line.substr(4));
      if (line.rfind("fd ", 0) == 0) probe.Fds.push_back(std::atoi(line.c_str() + 3));
      if (line.rfind("SigBlk:", 0) == 0) probe.SigBlk = line.substr(7);
    }
    std::filesystem::remove(report_);
    return probe;
  }

  // Whether the process is gone entirely, not even left as a zombie.
  static bool Reaped(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (kill(pid, 0) != 0 && errno == ESRCH) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  PosixProcessLauncher launcher_;
  std::string directory_;
  std::string report_;
};

TEST_F(PosixProcessLauncherTest, StartsTheProgramWithItsArgumentsAndReapsIt) {
  const std::string exe = OwnExecutable();
  ASSERT_TRUE(Start(exe + R"( plain "two words" say\"hi\" "" back\\slash\\)"));
  const Probe probe = Read();
  EXPECT_EQ(probe.Arguments, (std::vector<std::string>{exe, "plain", "two words", R"(say"hi")", "",
                                                       R"(back\\slash\\)"}));
  ASSERT_GT(probe.Pid, 0);
  EXPECT_TRUE(Reaped(probe.Pid));
}

TEST_F(PosixProcessLauncherTest, UnquotedPathWithBlanksNamesTheProgram) {
  const std::string dir = directory_ + "/dir with  blanks";
  std::filesystem::create_directory(dir);
  const std::string link = dir + "/probe prog";
  std::filesystem::create_symlink(OwnExecutable(), link);
  ASSERT_TRUE(Start(link + " first \"second arg\""));
  EXPECT_EQ(Read().Arguments, (std::vector<std::string>{link, "first", "second arg"}));
  ASSERT_TRUE(Start("\"" + link + "\" x"));
  EXPECT_EQ(Read().Arguments, (std::vector<std::string>{link, "x"}));
}

TEST_F(PosixProcessLauncherTest, ProgramInheritsNoDescriptorsNoMaskAndGetsItsOwnSession) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);  // not close-on-exec
  ASSERT_EQ(dup2(fds[0], 200), 200);
  const int file = open(report_.c_str(), O_RDONLY | O_CREAT, 0600);
  ASSERT_GE(file, 0);
  unlink(report_.c_str());
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR1);
  sigaddset(&blocked, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &blocked, &previous);

  const bool started = Start(OwnExecutable());
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  ASSERT_TRUE(started);
  const Probe probe = Read();
  for (int fd : {fds[0], fds[1], 200, file}) {
    EXPECT_EQ(std::count(probe.Fds.begin(), probe.Fds.end(), fd), 0) << "fd " << fd;
  }
  EXPECT_EQ(probe.SigBlk, "\t0000000000000000");
  EXPECT_TRUE(probe.OwnSession);
  close(fds[0]);
  close(fds[1]);
  close(200);
  close(file);
}

TEST_F(PosixProcessLauncherTest, LinesThatStartNothingGiveFalse) {
  for (const char* line : {"", "   ", "\"\" arg", "/nonexistent/kv-program arg",
                           "kv-no-such-program-anywhere", "/etc/passwd", "/tmp"}) {
    EXPECT_FALSE(Start(line)) << line;
  }
}

TEST(IsProgramFile, AcceptsOnlyExecutableRegularFiles) {
  EXPECT_TRUE(IsProgramFile("/bin/sh"));
  EXPECT_TRUE(IsProgramFile("sh"));  // through PATH
  EXPECT_FALSE(IsProgramFile("/etc/passwd"));
  EXPECT_FALSE(IsProgramFile("/bin"));
  EXPECT_FALSE(IsProgramFile(""));
  EXPECT_FALSE(IsProgramFile("kv-no-such-program-anywhere"));
  EXPECT_FALSE(IsProgramFile("/bin/" + std::string(5000, 'x')));
}

}  // namespace
}  // namespace kv::linux_backend
