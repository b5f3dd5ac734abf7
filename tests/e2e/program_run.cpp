#include "e2e/program_run.h"

#include <stdlib.h>

#include <csignal>
#include <cstdio>
#include <sstream>
#include <thread>

#include "support/x11_windows.h"

namespace kv::test {
namespace {

// The virtual Wii Remote's report length, report ID included.
constexpr std::size_t kReportLength = 22;
// Qt names the window class instance after the executable.
constexpr const char* kWindowClass = "kestrovane";

}  // namespace

LoggedReport ParseLoggedReport(const std::string& line) {
  std::istringstream in(line);
  LoggedReport logged;
  in >> logged.AtMs;
  std::string hex;
  while (in >> hex) logged.Bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
  return logged;
}

std::vector<uint8_t> Padded(std::vector<uint8_t> bytes) {
  bytes.resize(kReportLength, 0);
  return bytes;
}

std::vector<std::vector<uint8_t>> ControllerSetUpReports() {
  return {
      Padded({0x12, 0x00, 0x31}),
      Padded({0x12, 0x00, 0x33}),
      Padded({0x13, 0x04}),
      Padded({0x1a, 0x04}),
      Padded({0x16, 0x04, 0xb0, 0x00, 0x30, 0x01, 0x08}),
      Padded({0x16, 0x04, 0xb0, 0x00, 0x06, 0x01, 0x90}),
      Padded({0x16, 0x04, 0xb0, 0x00, 0x08, 0x01, 0xc0}),
      Padded({0x16, 0x04, 0xb0, 0x00, 0x1a, 0x01, 0x40}),
      Padded({0x16, 0x04, 0xb0, 0x00, 0x33, 0x01, 0x33}),
      Padded({0x15, 0x00, 0x00}),
  };
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char byte[4];
  for (const uint8_t value : bytes) {
    std::snprintf(byte, sizeof byte, "%02x", value);
    if (!text.empty()) text += ' ';
    text += byte;
  }
  return text;
}

std::vector<std::string> Hex(const std::vector<std::vector<uint8_t>>& reports) {
  std::vector<std::string> texts;
  for (const auto& report : reports) texts.push_back(Hex(report));
  return texts;
}

std::vector<std::string> Hex(const std::vector<LoggedReport>& reports) {
  std::vector<std::string> texts;
  for (const LoggedReport& report : reports) texts.push_back(Hex(report.Bytes));
  return texts;
}

IniSections ParseIni(const std::string& text) {
  IniSections sections;
  std::istringstream in(text);
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      sections[section];
    } else if (const auto equals = line.find('='); equals != std::string::npos) {
      sections[section][line.substr(0, equals)] = line.substr(equals + 1);
    }
  }
  return sections;
}

bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               std::chrono::milliseconds interval) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(interval);
  }
  return true;
}

ProgramRun::ProgramRun() {
  // In sanitizer builds the program's exit code also reports leaks; those of system libraries
  // are not the program's.
  setenv("LSAN_OPTIONS", "suppressions=" KV_E2E_LSAN_SUPPRESSIONS ":print_suppressions=0", 0);
  std::filesystem::copy_file(KV_KESTROVANE_BINARY, dir_.Path() / "kestrovane");
}

ProgramRun::~ProgramRun() {
  if (process_.Running()) {
    process_.Signal(SIGKILL);
    process_.Wait(5000);
  }
}

bool ProgramRun::StartDisplay(int width, int height) { return xvfb_.Start(width, height); }

bool ProgramRun::Start(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {(dir_.Path() / "kestrovane").string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  started_ = std::chrono::steady_clock::now();
  return process_.Start(argv, dir_.Path().string(), (dir_.Path() / "output.txt").string());
}

bool ProgramRun::StartWithScenario(const std::string& scenario) {
  const std::filesystem::path file = Write("scenario.txt", scenario);
  return Start({"--virtual-wiimote", file.string(), "--virtual-wiimote-log",
                (dir_.Path() / "output-reports.log").string()});
}

std::string ProgramRun::Output() const {
  return ReadFileText((dir_.Path() / "output.txt").string());
}

std::vector<LoggedReport> ProgramRun::Logged() const {
  std::vector<LoggedReport> reports;
  std::istringstream in(ReadFileText((dir_.Path() / "output-reports.log").string()));
  std::string line;
  // A line is complete only with its line end; the program may be writing the last one.
  while (std::getline(in, line) && !in.eof()) reports.push_back(ParseLoggedReport(line));
  return reports;
}

bool ProgramRun::WaitForLogged(std::size_t count, std::chrono::milliseconds timeout) const {
  return PollUntil([&] { return Logged().size() >= count; }, timeout);
}

std::vector<std::string> ProgramRun::Titles() const { return WindowTitlesOfClass(kWindowClass); }

bool ProgramRun::WaitForTitle(const std::string& title, std::chrono::milliseconds timeout) const {
  return PollUntil([&] { return Titles() == std::vector<std::string>{title}; }, timeout);
}

int ProgramRun::Terminate(std::chrono::milliseconds timeout) {
  process_.Signal(SIGTERM);
  return process_.Wait(static_cast<int>(timeout.count()));
}

}  // namespace kv::test
