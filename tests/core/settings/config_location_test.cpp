#include "core/settings/config_location.h"

#include <gtest/gtest.h>

#include "platform/sim/memory_file_store.h"

namespace kv {
namespace {

TEST(UserConfigDirectory, PrefersAnAbsoluteXdgConfigHome) {
  EXPECT_EQ(UserConfigDirectory("/x/cfg", "/home/u"), std::filesystem::path("/x/cfg/kestrovane"));
  EXPECT_EQ(UserConfigDirectory("", "/home/u"),
            std::filesystem::path("/home/u/.config/kestrovane"));
  EXPECT_EQ(UserConfigDirectory("relative/cfg", "/home/u"),
            std::filesystem::path("/home/u/.config/kestrovane"));
  EXPECT_EQ(UserConfigDirectory("", "relative"), std::nullopt);
  EXPECT_EQ(UserConfigDirectory("", ""), std::nullopt);
}

class ChooseConfigPathTest : public testing::Test {
 protected:
  std::filesystem::path Choose() { return ChooseConfigPath("/opt/kv/", userDir_, store_); }

  sim::MemoryFileStore store_;
  std::optional<std::filesystem::path> userDir_ = "/home/u/.config/kestrovane";
};

TEST_F(ChooseConfigPathTest, WritableExecutableDirectoryKeepsTheFile) {
  store_.AddDirectory("/opt/kv");
  EXPECT_EQ(Choose(), "/opt/kv/config.ini");
}

TEST_F(ChooseConfigPathTest, ExistingFileStaysInUseEvenWhenTheDirectoryIsReadOnly) {
  store_.AddDirectory("/opt/kv", /*writable=*/false);
  store_.PutFile("/opt/kv/config.ini", "[General]\n");
  EXPECT_EQ(Choose(), "/opt/kv/config.ini");
}

TEST_F(ChooseConfigPathTest, ReadOnlyDirectoryWithoutAFileSendsItToTheUserDirectory) {
  store_.AddDirectory("/opt/kv", /*writable=*/false);
  EXPECT_EQ(Choose(), "/home/u/.config/kestrovane/config.ini");
}

TEST_F(ChooseConfigPathTest, WithoutAUserDirectoryTheExecutableDirectoryIsUsed) {
  store_.AddDirectory("/opt/kv", /*writable=*/false);
  userDir_.reset();
  EXPECT_EQ(Choose(), "/opt/kv/config.ini");
}

}  // namespace
}  // namespace kv
