#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// Why a file operation failed: the system call that refused, its error number and the system's
// text for that number.
struct FileError {
  std::string Call;     // e.g. "open", "rename", "fsync"
  int Code = 0;         // the system's error number (errno)
  std::string Message;  // the system's text for Code

  // "rename: Permission denied (13)"
  std::string Describe() const { return Call + ": " + Message + " (" + std::to_string(Code) + ")"; }
};

enum class FileReadStatus {
  Ok,       // Bytes holds the whole file
  Missing,  // nothing there (or a dangling link, or a directory on the way does not exist)
  Failed,   // something there that could not be read; Error says why
};

struct FileReadResult {
  FileReadStatus Status = FileReadStatus::Missing;
  std::string Bytes;
  FileError Error;
};

// Whole-file storage for the settings file: read it at once, replace it at once. The replace is
// all or nothing, so an interrupted or refused save never leaves a half-written file behind.
class FileStore {
 public:
  virtual ~FileStore() = default;

  // Reads the whole regular file at `file`, following symbolic links. Returns Missing when no
  // file exists there, Failed with the error for anything else that stops the read (no
  // permission, not a regular file, I/O error). Never blocks on special files.
  virtual FileReadResult ReadWhole(const std::filesystem::path& file) = 0;

  // Replaces the contents of `file` with `bytes` durably and atomically: the new contents are
  // written to a temporary file beside the target, flushed to disk and renamed over it. A
  // symbolic link at `file` is kept and its target replaced. The replacement keeps the old
  // file's permission bits; a new file gets the usual default permissions. A file without any
  // write permission bit is refused even where the system would let the caller write.
  // Returns nullopt on success. On failure returns the error; then the old file (if any) is
  // byte for byte unchanged and no temporary file is left behind.
  virtual std::optional<FileError> ReplaceWhole(const std::filesystem::path& file,
                                                std::string_view bytes) = 0;

  // Creates the directory `dir` and any missing parents (new directories private to the
  // user). Returns nullopt on success, also when it already exists as a directory; the error
  // otherwise.
  virtual std::optional<FileError> CreateDirectories(const std::filesystem::path& dir) = 0;

  // True when an entry of any kind (a dangling link too) is present at `entry`. Returns false
  // when there is none and when the system does not let the caller look.
  virtual bool Exists(const std::filesystem::path& entry) = 0;

  // True when the caller can create a new file in the existing directory `dir`, decided by
  // creating and removing a scratch file there. Returns false on any failure.
  virtual bool CanCreateFileIn(const std::filesystem::path& dir) = 0;
};

}  // namespace kv
