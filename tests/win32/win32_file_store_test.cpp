#include "platform/win32/win32_file_store.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "win32/win32_temp_dir.h"

namespace kv::win32_backend {
namespace {

std::string Read(Win32FileStore& store, const std::filesystem::path& file) {
  FileReadResult result = store.ReadWhole(file);
  EXPECT_EQ(result.Status, FileReadStatus::Ok) << result.Error.Describe();
  return result.Bytes;
}

TEST(Win32FileStore, ReplaceCreatesAndReplacesWholeFilesWithoutLeftovers) {
  test::Win32TempDir dir;
  Win32FileStore store;
  const auto file = dir.Path() / "config.ini";
  const std::string big(3 * 65536 + 17, 'x');
  for (const std::string& content : {std::string("[General]\r\nA=1\r\n"), big, std::string()}) {
    ASSERT_EQ(store.ReplaceWhole(file, content), std::nullopt);
    EXPECT_EQ(Read(store, file), content);
    EXPECT_EQ(dir.Listing(), "config.ini;");  // no temporary file stays behind
  }
}

TEST(Win32FileStore, RefusesAReadOnlyFileAndLeavesItAsItWas) {
  test::Win32TempDir dir;
  Win32FileStore store;
  const auto file = dir.Write("config.ini", "old");
  ASSERT_TRUE(SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_READONLY));
  const std::optional<FileError> error = store.ReplaceWhole(file, "new");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->Call, "CreateFileA");
  EXPECT_EQ(error->Code, ERROR_ACCESS_DENIED);
  EXPECT_FALSE(error->Message.empty());
  EXPECT_NE(error->Message.back(), '\n');
  EXPECT_EQ(Read(store, file), "old");
  EXPECT_EQ(dir.Listing(), "config.ini;");
}

TEST(Win32FileStore, ReplacementKeepsTheHiddenMark) {
  test::Win32TempDir dir;
  Win32FileStore store;
  const auto file = dir.Write("config.ini", "old");
  ASSERT_TRUE(SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_EQ(store.ReplaceWhole(file, "new"), std::nullopt);
  EXPECT_EQ(Read(store, file), "new");
  EXPECT_TRUE(GetFileAttributesA(file.string().c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST(Win32FileStore, FailuresNameTheCallAndKeepTheSystemCode) {
  test::Win32TempDir dir;
  Win32FileStore store;
  // A directory in the way of the file, and a directory that does not exist.
  std::filesystem::create_directory(dir.Path() / "sub");
  const std::optional<FileError> onDirectory = store.ReplaceWhole(dir.Path() / "sub", "x");
  ASSERT_TRUE(onDirectory.has_value());
  EXPECT_EQ(onDirectory->Code, ERROR_ACCESS_DENIED);
  const std::optional<FileError> noDir = store.ReplaceWhole(dir.Path() / "none" / "f.ini", "x");
  ASSERT_TRUE(noDir.has_value());
  EXPECT_EQ(noDir->Code, ERROR_PATH_NOT_FOUND) << noDir->Describe();
  EXPECT_FALSE(noDir->Call.empty());

  EXPECT_EQ(store.ReadWhole(dir.Path() / "missing.ini").Status, FileReadStatus::Missing);
  EXPECT_EQ(store.ReadWhole(dir.Path() / "none" / "missing.ini").Status, FileReadStatus::Missing);
  const FileReadResult directory = store.ReadWhole(dir.Path() / "sub");
  EXPECT_EQ(directory.Status, FileReadStatus::Failed);
  EXPECT_EQ(directory.Error.Call, "CreateFileA");
  EXPECT_NE(directory.Error.Code, 0);
}

TEST(Win32FileStore, CreatesNestedDirectoriesAndTellsWhatExists) {
  test::Win32TempDir dir;
  Win32FileStore store;
  const auto nested = dir.Path() / "a" / "b" / "c";
  EXPECT_FALSE(store.Exists(nested));
  ASSERT_EQ(store.CreateDirectories(nested), std::nullopt);
  EXPECT_TRUE(store.Exists(nested));
  EXPECT_EQ(store.CreateDirectories(nested), std::nullopt);  // already there
  EXPECT_TRUE(store.CanCreateFileIn(nested));
  EXPECT_EQ(dir.Listing(), "a;");  // the probe left nothing behind
  EXPECT_TRUE(std::filesystem::is_empty(nested));

  const auto file = dir.Write("f.ini", "x");
  const std::optional<FileError> onFile = store.CreateDirectories(file);
  ASSERT_TRUE(onFile.has_value());
  EXPECT_EQ(onFile->Code, ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(store.CanCreateFileIn(dir.Path() / "missing"));
}

}  // namespace
}  // namespace kv::win32_backend
