#pragma once

#include <cerrno>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "core/port/file_store.h"

namespace kv::sim {

// Files and directories in memory, for tests of code that reads and replaces whole files.
// Refusals are simulated the way a real system gives them: read-only files, directories that
// do not accept new files, unreadable files and a failure injected into the next replace
// (a full disk, an I/O error). A refused replace leaves everything as it was.
class MemoryFileStore final : public FileStore {
 public:
  FileReadResult ReadWhole(const std::filesystem::path& file) override;
  std::optional<FileError> ReplaceWhole(const std::filesystem::path& file,
                                        std::string_view bytes) override;
  std::optional<FileError> CreateDirectories(const std::filesystem::path& dir) override;
  bool Exists(const std::filesystem::path& entry) override;
  bool CanCreateFileIn(const std::filesystem::path& dir) override;

  // Puts a file there (and its directories); a read-only file refuses every replace.
  void PutFile(const std::filesystem::path& file, std::string bytes, bool readOnly = false);
  // Adds a directory (and its parents); a directory that is not writable refuses new files and
  // replaces of the files in it.
  void AddDirectory(const std::filesystem::path& dir, bool writable = true);
  // Makes reads of `file` fail with `code` (the file's bytes stay).
  void FailReadsOf(const std::filesystem::path& file, int code = EACCES);
  // Makes the next replace fail with `error` after it was accepted (as a full disk does).
  void FailNextReplace(FileError error);

  // The file's bytes, or nullopt when there is none.
  std::optional<std::string> FileBytes(const std::filesystem::path& file) const;
  int ReplaceCount() const { return replaceCount_; }

 private:
  struct File {
    std::string Bytes;
    bool ReadOnly = false;
  };

  static std::string Key(const std::filesystem::path& path);
  static std::string ParentKey(const std::string& key);
  bool DirectoryAcceptsFiles(const std::string& dirKey, FileError& error) const;

  std::map<std::string, File> files_;
  std::map<std::string, bool> directories_;  // directory -> writable
  std::map<std::string, int> readFailures_;
  std::optional<FileError> nextReplaceFailure_;
  int replaceCount_ = 0;
};

}  // namespace kv::sim
