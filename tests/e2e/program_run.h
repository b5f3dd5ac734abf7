#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

namespace kv::test {

// Long enough never to be reached unless something is broken.
inline constexpr std::chrono::milliseconds kPatience{15000};

// One output report as the virtual Wii Remote logged it.
struct LoggedReport {
  uint32_t AtMs = 0;
  std::vector<uint8_t> Bytes;
};

// "MS HEX HEX ..." as the virtual Wii Remote writes its log.
LoggedReport ParseLoggedReport(const std::string& line);

// `bytes` zero-padded to the virtual Wii Remote's report length.
std::vector<uint8_t> Padded(std::vector<uint8_t> bytes);

// The output reports the program sends a newly found controller, in their order: the reporting
// modes, the IR camera's enables and its sensitivity blocks, then the first status request.
std::vector<std::vector<uint8_t>> ControllerSetUpReports();

// "12 00 31 00 ..." for failure messages and comparisons that read well.
std::string Hex(const std::vector<uint8_t>& bytes);
std::vector<std::string> Hex(const std::vector<std::vector<uint8_t>>& reports);
std::vector<std::string> Hex(const std::vector<LoggedReport>& reports);

// Sections of an INI file with their keys and values, as written (no case folding).
using IniSections = std::map<std::string, std::map<std::string, std::string>>;
IniSections ParseIni(const std::string& text);

// One run of the real program: a private X server, and a fresh directory with a copy of the
// executable, so that its config.ini lands there and nowhere else.
class ProgramRun {
 public:
  ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;
  ~ProgramRun();

  // Starts the X server (sets DISPLAY for this process and its children). False if it failed.
  bool StartDisplay(int width = 1920, int height = 1080);

  const std::filesystem::path& Dir() const { return dir_.Path(); }
  std::filesystem::path Write(const std::string& relative, const std::string& content) const {
    return dir_.Write(relative, content);
  }

  // Runs the copy with `arguments`, its working directory the run's directory and its output in
  // output.txt there.
  bool Start(const std::vector<std::string>& arguments);
  // Writes `scenario` to scenario.txt and runs the copy on a virtual Wii Remote replaying it,
  // logging its output reports to output-reports.log.
  bool StartWithScenario(const std::string& scenario);

  ChildProcess& Process() { return process_; }
  std::string Output() const;
  std::chrono::steady_clock::time_point Started() const { return started_; }

  // The output reports logged so far.
  std::vector<LoggedReport> Logged() const;
  // Waits until at least `count` output reports are logged; false after `timeout`.
  bool WaitForLogged(std::size_t count, std::chrono::milliseconds timeout = kPatience) const;

  // Titles of the program's windows on the X server.
  std::vector<std::string> Titles() const;
  // Waits until the program's one window bears `title`; false after `timeout`.
  bool WaitForTitle(const std::string& title, std::chrono::milliseconds timeout = kPatience) const;

  // Sends SIGTERM and waits for the end; the exit code, or -1 when it did not end in time.
  int Terminate(std::chrono::milliseconds timeout = kPatience);

 private:
  XvfbServer xvfb_;
  TempDir dir_;
  ChildProcess process_;
  std::chrono::steady_clock::time_point started_;
};

// Waits, polling, until `done` holds; false after `timeout`.
bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               std::chrono::milliseconds interval = std::chrono::milliseconds(20));

}  // namespace kv::test
