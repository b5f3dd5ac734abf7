#include "platform/linux/wiimote_mode_keeper.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace kv::linux_backend {
namespace {

// The keeper on one end of a sequenced-packet socket pair (it keeps report boundaries as hidraw
// does); the test plays the controller on the other end.
class WiimoteModeKeeperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    controller_ = ends[1];
    keeper_ = std::make_unique<WiimoteModeKeeper>(WiimoteModeKeeper::AdoptDescriptor{}, ends[0]);
    ASSERT_TRUE(keeper_->Active());
  }
  void TearDown() override {
    keeper_.reset();
    close(controller_);
  }

  void ProgramWrote(std::vector<uint8_t> report) {
    keeper_->Written(report.data(), static_cast<uint32_t>(report.size()));
  }
  void ControllerSends(std::vector<uint8_t> report) {
    ASSERT_EQ(write(controller_, report.data(), report.size()),
              static_cast<ssize_t>(report.size()));
  }
  // The next report the keeper wrote, or an empty one when none came within `ms`.
  std::vector<uint8_t> KeeperWrote(int ms = 2000) {
    pollfd fd{controller_, POLLIN, 0};
    if (poll(&fd, 1, ms) <= 0) return {};
    std::vector<uint8_t> report(64);
    const ssize_t n = read(controller_, report.data(), report.size());
    report.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return report;
  }
  // Takes whatever the keeper still writes after a status (it looks again for a while).
  void DrainFollowUps() {
    while (!KeeperWrote(WiimoteModeKeeper::kWatchMs + 100).empty()) {
    }
  }

  int controller_ = -1;
  std::unique_ptr<WiimoteModeKeeper> keeper_;
};

TEST_F(WiimoteModeKeeperTest, ResentModeCarriesTheMotorStateOfTheProgramsLastReport) {
  ProgramWrote({0x12, 0x04, 0x33});
  ProgramWrote({0x11, 0x91});  // LEDs with the motor on: an edge rumble starts
  ControllerSends({0x20, 0x00, 0x00});
  EXPECT_EQ(KeeperWrote(), (std::vector<uint8_t>{0x12, 0x05, 0x33}));
  DrainFollowUps();

  ProgramWrote({0x11, 0x90});  // the rumble ends
  ControllerSends({0x20, 0x00, 0x00});
  EXPECT_EQ(KeeperWrote(), (std::vector<uint8_t>{0x12, 0x04, 0x33}));
  DrainFollowUps();
  EXPECT_GE(keeper_->Resends(), 2u);
}

TEST_F(WiimoteModeKeeperTest, DataInAnotherModeBringsTheProgramsModeBackButButtonsOnlyIsNotKept) {
  ProgramWrote({0x12, 0x04, 0x33});
  ControllerSends({0x37, 0x00, 0x00});  // the driver picked its own mode
  EXPECT_EQ(KeeperWrote(), (std::vector<uint8_t>{0x12, 0x04, 0x33}));

  ProgramWrote({0x12, 0x00, 0x30});  // buttons only, as at exit: nothing to keep
  ControllerSends({0x20, 0x00, 0x00});
  EXPECT_TRUE(KeeperWrote(WiimoteModeKeeper::kWatchMs + 100).empty());
}

}  // namespace
}  // namespace kv::linux_backend
