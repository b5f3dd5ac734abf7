#pragma once

#include "core/port/file_store.h"

namespace kv::linux_backend {

// Whole-file storage on a POSIX file system. A replace writes a temporary file beside the
// target, fsyncs it and renames it over the target, then fsyncs the directory (best effort: some
// file systems refuse fsync on directories, and by then the new file is already in place).
class PosixFileStore final : public FileStore {
 public:
  FileReadResult ReadWhole(const std::filesystem::path& file) override;
  std::optional<FileError> ReplaceWhole(const std::filesystem::path& file,
                                        std::string_view bytes) override;
  std::optional<FileError> CreateDirectories(const std::filesystem::path& dir) override;
  bool Exists(const std::filesystem::path& entry) override;
  bool CanCreateFileIn(const std::filesystem::path& dir) override;
};

}  // namespace kv::linux_backend
