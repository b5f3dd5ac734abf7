#include "platform/linux/posix_file_store.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/settings/settings_file.h"
#include "support/temp_dir.h"

namespace kv::linux_backend {
namespace {

namespace fs = std::filesystem;
using std::string_literals::operator""s;

// Sets or clears the immutable attribute; false where the file system or our rights do not
// allow it (then the tests that need it are skipped).
bool SetImmutable(const fs::path& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

class PosixFileStoreTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const fs::path& path : immutable_) SetImmutable(path, false);
    chmod(dir_.c_str(), 0700);  // so that the directory can be removed
  }

  fs::path Put(const std::string& name, const std::string& bytes, mode_t mode = 0644) {
    const fs::path path = temp_.Write(name, bytes);
    chmod(path.c_str(), mode);
    return path;
  }
  static std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Every name in the directory, so that a left-over temporary file shows.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  static mode_t Mode(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
  }
  bool MakeImmutable(const fs::path& path) {
    if (!SetImmutable(path, true)) return false;
    immutable_.push_back(path);
    return true;
  }

  PosixFileStore store_;
  test::TempDir temp_;
  const fs::path dir_ = temp_.Path();
  std::vector<fs::path> immutable_;
};

TEST_F(PosixFileStoreTest, ReadsEveryByteOrTellsWhyNot) {
  const std::string bytes = "[s]\r\nk=\0\xff\n"s + std::string(200000, 'x');
  const FileReadResult ok = store_.ReadWhole(Put("config.ini", bytes));
  EXPECT_EQ(ok.Status, FileReadStatus::Ok);
  EXPECT_EQ(ok.Bytes, bytes);

  EXPECT_EQ(store_.ReadWhole(dir_ / "none.ini").Status, FileReadStatus::Missing);
  EXPECT_EQ(store_.ReadWhole(Put("file", "") / "below.ini").Status, FileReadStatus::Missing);

  const FileReadResult directory = store_.ReadWhole(dir_);
  EXPECT_EQ(directory.Status, FileReadStatus::Failed);
  EXPECT_EQ(directory.Error.Code, EISDIR);

  // A FIFO without a writer would block an ordinary open for ever.
  ASSERT_EQ(mkfifo((dir_ / "fifo.ini").c_str(), 0600), 0);
  EXPECT_EQ(store_.ReadWhole(dir_ / "fifo.ini").Status, FileReadStatus::Failed);
}

TEST_F(PosixFileStoreTest, ReplacesByRenamingAndKeepsThePermissionBits) {
  const fs::path file = Put("config.ini", "old contents\n", 0640);
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  // A reader holding the old file open still sees the old file whole: it was never rewritten.
  std::ifstream reader(file, std::ios::binary);

  EXPECT_EQ(store_.ReplaceWhole(file, "new"), std::nullopt);

  struct stat after {};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(Mode(file), 0640u);
  EXPECT_EQ(Bytes(file), "new");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "old contents\n");

  const mode_t mask = umask(027);
  EXPECT_EQ(store_.ReplaceWhole(dir_ / "new.ini", "fresh"), std::nullopt);
  umask(mask);
  EXPECT_EQ(Mode(dir_ / "new.ini"), 0640u) << "a new file gets what the umask leaves";
  EXPECT_EQ(Entries(), (std::vector<std::string>{"config.ini", "new.ini"}));
}

TEST_F(PosixFileStoreTest, RefusesAReadOnlyFileEvenToTheSuperuser) {
  const fs::path file = Put("config.ini", "keep\n", 0444);
  const std::optional<FileError> error = store_.ReplaceWhole(file, "new");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->Code, EACCES);
  EXPECT_EQ(Bytes(file), "keep\n");
  EXPECT_EQ(Mode(file), 0444u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"config.ini"});
}

TEST_F(PosixFileStoreTest, ReplacesTheTargetOfASymbolicLink) {
  const fs::path target = Put("real/settings.ini", "old", 0600);
  fs::create_symlink("real/settings.ini", dir_ / "link.ini");
  fs::create_symlink("link.ini", dir_ / "config.ini");  // a chain of two links

  EXPECT_EQ(store_.ReplaceWhole(dir_ / "config.ini", "new"), std::nullopt);

  EXPECT_TRUE(fs::is_symlink(dir_ / "config.ini"));
  EXPECT_EQ(fs::read_symlink(dir_ / "config.ini"), "link.ini");
  EXPECT_EQ(Bytes(target), "new");
  EXPECT_EQ(Mode(target), 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "real"), {}), 1);
}

TEST_F(PosixFileStoreTest, ADanglingLinkGetsItsTargetCreated) {
  fs::create_symlink("target.ini", dir_ / "config.ini");
  EXPECT_EQ(store_.ReplaceWhole(dir_ / "config.ini", "new"), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(dir_ / "config.ini"));
  EXPECT_EQ(Bytes(dir_ / "target.ini"), "new");
}

TEST_F(PosixFileStoreTest, RefusesWhereThePathCannotHoldAFile) {
  const fs::path notADirectory = Put("plain", "x");
  const std::optional<FileError> error = store_.ReplaceWhole(notADirectory / "config.ini", "new");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->Code, ENOTDIR);
  EXPECT_EQ(Bytes(notADirectory), "x");
}

// sysfs takes no new files, not even from the superuser: a real directory that refuses.
TEST_F(PosixFileStoreTest, RefusesADirectoryThatTakesNoNewFiles) {
  if (!fs::is_directory("/sys/kernel")) GTEST_SKIP() << "no sysfs";
  EXPECT_TRUE(store_.ReplaceWhole("/sys/kernel/config.ini", "new").has_value());
  EXPECT_FALSE(store_.CanCreateFileIn("/sys/kernel"));
  EXPECT_FALSE(fs::exists("/sys/kernel/config.ini"));
}

TEST_F(PosixFileStoreTest, ADirectoryWithoutWriteRightsRefusesOrdinaryUsers) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser writes any directory";
  const fs::path file = Put("config.ini", "keep\n");
  ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
  EXPECT_TRUE(store_.ReplaceWhole(file, "new").has_value());
  EXPECT_FALSE(store_.CanCreateFileIn(dir_));
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  EXPECT_EQ(Bytes(file), "keep\n");
}

// The temporary file is written and synced, then the rename is refused: it must not stay.
TEST_F(PosixFileStoreTest, ARefusedRenameRemovesTheTemporaryFile) {
  const fs::path file = Put("config.ini", "keep\n");
  if (!MakeImmutable(file)) GTEST_SKIP() << "immutable attribute not available here";
  const std::optional<FileError> error = store_.ReplaceWhole(file, "new");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(Bytes(file), "keep\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"config.ini"});
}

// A file size limit makes the write fail part way, as a full disk does.
TEST_F(PosixFileStoreTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  const fs::path file = Put("config.ini", "keep\n");
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::optional<FileError> error = store_.ReplaceWhole(file, std::string(4096, 'n'));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->Call, "write");
  EXPECT_EQ(error->Code, EFBIG);
  EXPECT_EQ(Bytes(file), "keep\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"config.ini"});
}

TEST_F(PosixFileStoreTest, CreatesPrivateDirectoriesAndAcceptsExistingOnes) {
  const fs::path nested = dir_ / "a" / "b" / "kestrovane";
  EXPECT_EQ(store_.CreateDirectories(nested), std::nullopt);
  EXPECT_TRUE(fs::is_directory(nested));
  EXPECT_EQ(Mode(nested), 0700u);
  EXPECT_EQ(store_.CreateDirectories(nested), std::nullopt);

  Put("file", "");
  const std::optional<FileError> error = store_.CreateDirectories(dir_ / "file" / "sub");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->Code, ENOTDIR);
}

TEST_F(PosixFileStoreTest, ProbesAndLooksWithoutLeavingTraces) {
  EXPECT_TRUE(store_.CanCreateFileIn(dir_));
  EXPECT_FALSE(store_.CanCreateFileIn(dir_ / "missing"));
  EXPECT_TRUE(Entries().empty());

  fs::create_symlink("nowhere", dir_ / "dangling");
  EXPECT_TRUE(store_.Exists(dir_ / "dangling"));
  EXPECT_TRUE(store_.Exists(dir_));
  EXPECT_FALSE(store_.Exists(dir_ / "missing"));
}

// The whole save on real files: a read-only config.ini at exit gives the error text and stays.
TEST_F(PosixFileStoreTest, SavingOverAReadOnlyFileReportsItAndChangesNothing) {
  const std::string before = "[General]\nCursorMode=IR\n; mine\n";
  const fs::path file = Put("config.ini", before, 0444);
  TKestrovaneSetting settings;
  TWiimoteButtonAssign assign;
  LoadSettings(store_, file, settings, assign);
  EXPECT_EQ(settings.CursorMode, "IR");
  try {
    SaveSettings(store_, file, settings, assign);
    ADD_FAILURE() << "the save was not refused";
  } catch (const SettingsWriteError& error) {
    EXPECT_EQ(std::string(error.what()), file.string() + " に書き込めません");
  }
  EXPECT_EQ(Bytes(file), before);
  EXPECT_EQ(Entries(), std::vector<std::string>{"config.ini"});
}

}  // namespace
}  // namespace kv::linux_backend
