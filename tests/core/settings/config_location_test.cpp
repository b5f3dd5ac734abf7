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

TEST(ChooseConfigPath, LeavesTheExecutableDirectoryOnlyWhenItCannotHoldTheFile) {
  struct Case {
    bool writable, fileThere, userDirectory;
    const char* expected;
  };
  const Case cases[] = {{true, false, true, "/opt/kv/config.ini"},
                        {false, true, true, "/opt/kv/config.ini"},
                        {false, false, true, "/home/u/.config/kestrovane/config.ini"},
                        {false, false, false, "/opt/kv/config.ini"}};
  for (const Case& c : cases) {
    sim::MemoryFileStore store;
    store.AddDirectory("/opt/kv", c.writable);
    if (c.fileThere) store.PutFile("/opt/kv/config.ini", "[General]\n");
    std::optional<std::filesystem::path> user;
    if (c.userDirectory) user = "/home/u/.config/kestrovane";
    EXPECT_EQ(ChooseConfigPath("/opt/kv/", user, store), c.expected)
        << c.writable << c.fileThere << c.userDirectory;
  }
}

}  // namespace
}  // namespace kv
