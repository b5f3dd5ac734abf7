#include "platform/linux/wiimote_mode_keeper.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <system_error>

#include "core/ui/thread_name.h"

namespace kv::linux_backend {
namespace {

constexpr uint8_t kReportDataMode = 0x12;
constexpr uint8_t kReportStatus = 0x20;
constexpr uint8_t kFirstDataReport = 0x30;
constexpr uint8_t kLastDataReport = 0x3F;
constexpr uint8_t kButtonsOnly = 0x30;
constexpr uint8_t kContinuousBit = 0x04;
constexpr uint8_t kRumbleBit = 0x01;
// Data reports of another ID come about every 10 ms; one re-send per this many is enough.
constexpr auto kMinResendGap = std::chrono::milliseconds(20);

}  // namespace

bool WiimoteModeKeeper::DrivenByHidWiimote(const std::string& hidSysfsDir) {
  std::error_code error;
  const auto driver = std::filesystem::read_symlink(hidSysfsDir + "/driver", error);
  return !error && driver.filename() == "wiimote";
}

WiimoteModeKeeper::WiimoteModeKeeper(const std::string& hidrawPath) {
  fd_ = open(hidrawPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  Start();
}

WiimoteModeKeeper::WiimoteModeKeeper(AdoptDescriptor, int descriptor) {
  fd_ = descriptor;
  Start();
}

void WiimoteModeKeeper::Start() {
  if (fd_ < 0) return;
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) {
    close(fd_);
    fd_ = -1;
    return;
  }
  thread_ = std::thread([this] {
    NameCurrentThread("kv-mode-keeper");
    Run();
  });
}

WiimoteModeKeeper::~WiimoteModeKeeper() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
    thread_.join();
  }
  if (fd_ >= 0) close(fd_);
  if (wakeFd_ >= 0) close(wakeFd_);
}

void WiimoteModeKeeper::Written(const uint8_t* data, uint32_t length) {
  if (length < 2) return;
  std::lock_guard lock(modeMutex_);
  rumble_ = (data[1] & kRumbleBit) != 0;
  if (length < 3 || data[0] != kReportDataMode) return;
  const bool streams = data[2] != kButtonsOnly || (data[1] & kContinuousBit) != 0;
  if (streams) {
    mode_.assign(data, data + length);
  } else {
    mode_.clear();
  }
}

void WiimoteModeKeeper::Resend() {
  std::vector<uint8_t> mode;
  {
    std::lock_guard lock(modeMutex_);
    mode = mode_;
    if (!mode.empty())
      mode[1] = static_cast<uint8_t>((mode[1] & ~kRumbleBit) | (rumble_ ? kRumbleBit : 0));
  }
  if (mode.empty()) return;
  if (write(fd_, mode.data(), mode.size()) == static_cast<ssize_t>(mode.size())) ++resends_;
  lastResend_ = std::chrono::steady_clock::now();
}

void WiimoteModeKeeper::OnReport(uint8_t id, std::chrono::steady_clock::time_point now) {
  uint8_t kept = 0;
  {
    std::lock_guard lock(modeMutex_);
    if (mode_.empty()) return;
    kept = mode_[2];
  }
  if (id == kReportStatus) {
    Resend();
    watching_ = true;
    watchUntil_ = now + std::chrono::milliseconds(kWatchMs);
    lastInMode_ = now;
  } else if (id >= kFirstDataReport && id <= kLastDataReport) {
    if (id == kept) {
      lastInMode_ = now;
    } else if (now - lastResend_ >= kMinResendGap) {
      Resend();
    }
  }
}

void WiimoteModeKeeper::Run() {
  uint8_t report[64];
  for (;;) {
    int timeout = -1;
    const auto now = std::chrono::steady_clock::now();
    if (watching_) {
      const auto due = std::min(watchUntil_, lastInMode_ + std::chrono::milliseconds(kSilenceMs));
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - now);
      timeout = static_cast<int>(std::clamp<long long>(left.count() + 1, 0, INT_MAX));
    }
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int r = poll(fds, 2, timeout);
    if (r < 0 && errno != EINTR) return;
    if (fds[1].revents != 0) return;
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return;  // the controller left
    const auto at = std::chrono::steady_clock::now();
    if (fds[0].revents & POLLIN) {
      const ssize_t n = read(fd_, report, sizeof report);
      if (n > 0) OnReport(report[0], at);
    }
    if (watching_ && at >= watchUntil_) {
      watching_ = false;
    } else if (watching_ && at - lastInMode_ >= std::chrono::milliseconds(kSilenceMs)) {
      // Silence after a status: the driver's mode reached the controller after the keeper's.
      Resend();
      lastInMode_ = at;
    }
  }
}

}  // namespace kv::linux_backend
