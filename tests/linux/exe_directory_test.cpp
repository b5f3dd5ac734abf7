#include "platform/linux/exe_directory.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/linux/posix_file_store.h"

namespace kv::linux_backend {
namespace {

TEST(ExeDirectory, IsTheDirectoryOfThisTestProgramWithItsSlash) {
  const std::string dir = ExeDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), '/');
  EXPECT_EQ(dir.back(), '/');
  EXPECT_TRUE(std::filesystem::equivalent(dir + "kv_linux_tests", "/proc/self/exe"));
}

// Run as the build's owner the file stays beside the executable; run by a user who may not
// write the build directory it goes to the user's configuration directory.
TEST(ConfigFilePath, FollowsTheWritabilityOfTheExecutableDirectory) {
  PosixFileStore store;
  if (store.Exists(ExeDirectory() + "config.ini")) GTEST_SKIP() << "a config.ini lies there";
  setenv("XDG_CONFIG_HOME", "/nonexistent/xdg", 1);
  const std::filesystem::path chosen = ConfigFilePath(store);
  unsetenv("XDG_CONFIG_HOME");
  if (store.CanCreateFileIn(ExeDirectory())) {
    EXPECT_EQ(chosen, ExeDirectory() + "config.ini");
  } else {
    EXPECT_EQ(chosen, "/nonexistent/xdg/kestrovane/config.ini");
  }
}

}  // namespace
}  // namespace kv::linux_backend
