#include "platform/linux/posix_file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>
#include <vector>

namespace kv::linux_backend {
namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit for path resolution
constexpr int kMaxTempNameTries = 100;

FileError ErrorOf(const char* call, int code) {
  return {call, code, std::generic_category().message(code)};
}

FileError LastError(const char* call) { return ErrorOf(call, errno); }

std::filesystem::path DirectoryOf(const std::filesystem::path& file) {
  std::filesystem::path dir = file.parent_path();
  return dir.empty() ? std::filesystem::path(".") : dir;
}

// A name no other writer uses: process id, a counter and the clock; O_EXCL settles the rest.
std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(static_cast<unsigned long long>(ticks) & 0xffffffu);
}

struct LinkTarget {
  std::filesystem::path Path;
  std::optional<FileError> Error;
};

// The file a chain of symbolic links at `file` ends in (which need not exist yet).
LinkTarget ResolveLinks(std::filesystem::path file) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st {};
    if (lstat(file.c_str(), &st) != 0) {
      if (errno == ENOENT) return {file, std::nullopt};
      return {file, LastError("lstat")};
    }
    if (!S_ISLNK(st.st_mode)) return {file, std::nullopt};
    std::vector<char> buffer(static_cast<size_t>(st.st_size) + 1);
    const ssize_t length = readlink(file.c_str(), buffer.data(), buffer.size());
    if (length < 0) return {file, LastError("readlink")};
    // A link that grew between lstat and readlink: go round again with a fresh size.
    if (static_cast<size_t>(length) >= buffer.size()) continue;
    const std::filesystem::path target(std::string(buffer.data(), static_cast<size_t>(length)));
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  return {file, ErrorOf("readlink", ELOOP)};
}

std::optional<FileError> WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return LastError("write");
    }
    if (written == 0) return ErrorOf("write", ENOSPC);
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return std::nullopt;
}

// Refusals an ordinary open for writing would give, decided before anything is written. The
// write permission bits are checked by hand because the superuser passes every access check:
// a file nobody may write stays unwritten.
std::optional<FileError> CheckReplaceable(const std::filesystem::path& target,
                                          const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return ErrorOf("open", EISDIR);
  if (!S_ISREG(st.st_mode)) return ErrorOf("open", EINVAL);
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return ErrorOf("open", EACCES);
  if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return LastError("access");
  return std::nullopt;
}

// A temporary file being written; removed again unless it was renamed into place.
class TempFile {
 public:
  ~TempFile() {
    if (fd_ >= 0) close(fd_);
    if (!path_.empty()) unlink(path_.c_str());
  }

  std::optional<FileError> Create(const std::filesystem::path& target) {
    const std::filesystem::path dir = DirectoryOf(target);
    const std::string base = "." + target.filename().string() + ".";
    for (int attempt = 0; attempt < kMaxTempNameTries; ++attempt) {
      std::filesystem::path candidate = dir / (base + UniqueSuffix() + ".tmp");
      // 0666 lets the umask decide a new file's permissions, as for any new file.
      fd_ = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
      if (fd_ >= 0) {
        path_ = std::move(candidate);
        return std::nullopt;
      }
      if (errno != EEXIST) return LastError("open");
    }
    return ErrorOf("open", EEXIST);
  }

  int Fd() const { return fd_; }
  const std::filesystem::path& Path() const { return path_; }

  std::optional<FileError> Close() {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) return LastError("close");
    return std::nullopt;
  }

  // The file now lives under another name; nothing to remove.
  void Release() { path_.clear(); }

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

// Gives the replacement the old file's owner (best effort: only the superuser may give files
// away) and permission bits.
std::optional<FileError> CopyOwnerAndMode(int fd, const struct stat& old) {
  if (old.st_uid != geteuid() || old.st_gid != getegid()) {
    // Refused unless we are the superuser; the file then keeps our ownership, which is all we
    // can do, and is no reason to give up the save.
    (void)fchown(fd, old.st_uid, old.st_gid);
  }
  if (fchmod(fd, old.st_mode & 07777) != 0) return LastError("fchmod");
  return std::nullopt;
}

void SyncDirectory(const std::filesystem::path& dir) {
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // best effort, see the class comment
  close(fd);
}

}  // namespace

FileReadResult PosixFileStore::ReadWhole(const std::filesystem::path& file) {
  FileReadResult result;
  // O_NONBLOCK: a FIFO or device named config.ini must not hang the program at start.
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return result;  // Missing
    result.Status = FileReadStatus::Failed;
    result.Error = LastError("open");
    return result;
  }
  struct stat st {};
  std::optional<FileError> error;
  if (fstat(fd, &st) != 0) {
    error = LastError("fstat");
  } else if (!S_ISREG(st.st_mode)) {
    error = ErrorOf("read", S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  } else {
    char buffer[65536];
    for (;;) {
      const ssize_t got = read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) error = LastError("read");
      if (got <= 0) break;
      result.Bytes.append(buffer, static_cast<size_t>(got));
    }
  }
  close(fd);
  if (error) {
    result.Status = FileReadStatus::Failed;
    result.Error = std::move(*error);
    result.Bytes.clear();
  } else {
    result.Status = FileReadStatus::Ok;
  }
  return result;
}

std::optional<FileError> PosixFileStore::ReplaceWhole(const std::filesystem::path& file,
                                                      std::string_view bytes) {
  const LinkTarget target = ResolveLinks(file);
  if (target.Error) return target.Error;

  struct stat old {};
  const bool exists = lstat(target.Path.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return LastError("lstat");
  if (exists) {
    if (std::optional<FileError> refused = CheckReplaceable(target.Path, old)) return refused;
  }

  TempFile temp;
  if (std::optional<FileError> error = temp.Create(target.Path)) return error;
  if (exists) {
    if (std::optional<FileError> error = CopyOwnerAndMode(temp.Fd(), old)) return error;
  }
  if (std::optional<FileError> error = WriteAll(temp.Fd(), bytes)) return error;
  if (fsync(temp.Fd()) != 0) return LastError("fsync");
  if (std::optional<FileError> error = temp.Close()) return error;
  if (rename(temp.Path().c_str(), target.Path.c_str()) != 0) return LastError("rename");
  temp.Release();
  SyncDirectory(DirectoryOf(target.Path));
  return std::nullopt;
}

std::optional<FileError> PosixFileStore::CreateDirectories(const std::filesystem::path& dir) {
  std::filesystem::path prefix;
  for (const std::filesystem::path& part : dir) {
    prefix /= part;
    if (part.empty() || part == "/" || part == "." || part == "..") continue;
    // Look before creating: existing parents are often ones we may not write.
    struct stat st {};
    if (stat(prefix.c_str(), &st) != 0) {
      if (errno != ENOENT) return LastError("stat");
      if (mkdir(prefix.c_str(), 0700) == 0) continue;
      if (errno != EEXIST) return LastError("mkdir");
      if (stat(prefix.c_str(), &st) != 0) return LastError("stat");
    }
    if (!S_ISDIR(st.st_mode)) return ErrorOf("mkdir", ENOTDIR);
  }
  return std::nullopt;
}

bool PosixFileStore::Exists(const std::filesystem::path& entry) {
  struct stat st {};
  return lstat(entry.c_str(), &st) == 0;
}

bool PosixFileStore::CanCreateFileIn(const std::filesystem::path& dir) {
  const std::filesystem::path base = dir.empty() ? std::filesystem::path(".") : dir;
  const std::filesystem::path probe = base / (".kestrovane-probe-" + UniqueSuffix());
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}

}  // namespace kv::linux_backend
