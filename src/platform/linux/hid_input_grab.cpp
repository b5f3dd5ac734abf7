#include "platform/linux/hid_input_grab.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace kv::linux_backend {
namespace {

// Whether the input device in `inputDir` sends key events: bit EV_KEY of its event types, which
// sysfs gives as a hexadecimal mask.
bool SendsKeys(const std::filesystem::path& inputDir) {
  std::ifstream file(inputDir / "capabilities" / "ev");
  std::string mask;
  if (!(file >> mask)) return false;
  try {
    return (std::stoull(mask, nullptr, 16) >> EV_KEY) & 1;
  } catch (const std::exception&) {
    return false;
  }
}

// The names of the event nodes of the HID device's key input devices ("event3", ...), sorted.
// Only those: opening the driver's accelerometer or IR device would make it change the
// controller's reporting mode.
std::vector<std::string> EventNames(const std::string& hidSysfsDir) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& input : fs::directory_iterator(hidSysfsDir + "/input", error)) {
    if (!SendsKeys(input.path())) continue;
    std::error_code inner;
    for (const auto& entry : fs::directory_iterator(input.path(), inner)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("event", 0) == 0) names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

HidInputGrab::HidInputGrab(const std::string& hidSysfsDir, const std::string& devInputDir) {
  if (hidSysfsDir.empty()) return;
  for (const std::string& name : EventNames(hidSysfsDir)) {
    const int fd = open((devInputDir + "/" + name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    // The grab keeps the events from everybody else (the desktop's input stack). A device
    // another program grabbed already stays open without it.
    ioctl(fd, EVIOCGRAB, 1);
    fds_.push_back(fd);
  }
}

HidInputGrab::~HidInputGrab() { Release(); }

HidInputGrab& HidInputGrab::operator=(HidInputGrab&& other) noexcept {
  if (this != &other) {
    Release();
    fds_ = std::move(other.fds_);
    other.fds_.clear();
  }
  return *this;
}

void HidInputGrab::Release() {
  for (const int fd : fds_) close(fd);  // closing ends the grab
  fds_.clear();
}

}  // namespace kv::linux_backend
