#include "platform/win32/exe_directory.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace kv::win32_backend {
namespace {

TEST(Win32ExeDirectory, CutsAfterTheLastBackslashOrColon) {
  const struct {
    const char* Path;
    const char* Directory;
  } cases[] = {
      {"C:\\Program Files\\Kv\\kestrovane.exe", "C:\\Program Files\\Kv\\"},
      {"C:kestrovane.exe", "C:"},
      {"\\\\server\\share\\a.exe", "\\\\server\\share\\"},
      {"C:\\dir.d:stream", "C:\\dir.d:"},  // the later delimiter wins, whichever it is
      {"kestrovane.exe", ""},
      {"a/b/c.exe", ""},  // only the system's own delimiters count
  };
  for (const auto& c : cases) EXPECT_EQ(DirectoryPart(c.Path), c.Directory) << c.Path;
}

TEST(Win32ExeDirectory, IsTheDirectoryOfThisTestProgram) {
  const std::string dir = ExeDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  char module[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, module, MAX_PATH), 0u);
  EXPECT_EQ(std::string(module).rfind(dir, 0), 0u) << module;
  const DWORD attributes = GetFileAttributesA(dir.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
}  // namespace kv::win32_backend
