#pragma once

#include "core/port/file_store.h"

namespace kv::win32_backend {

// Whole-file storage on a Windows file system, with 8-bit (system code page) path names.
//
// A replace writes a temporary file in the target's directory, flushes it (FlushFileBuffers) and
// moves it over the target with MoveFileExA(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH),
// which on one volume replaces the file in one step. A file marked read-only
// (FILE_ATTRIBUTE_READONLY) is refused before anything is written, and the replacement carries
// the old file's other attributes (hidden, system, archive). A symbolic link at the target is
// kept: the file it leads to is replaced. Errors carry the failing call's name, its
// GetLastError code and the system's text; a refused read-only file reports CreateFileA with
// ERROR_ACCESS_DENIED, as opening it for writing would.
//
// New directories get the default security of their parent (which, under the user's profile,
// is private to the user).
class Win32FileStore final : public FileStore {
 public:
  FileReadResult ReadWhole(const std::filesystem::path& file) override;
  std::optional<FileError> ReplaceWhole(const std::filesystem::path& file,
                                        std::string_view bytes) override;
  std::optional<FileError> CreateDirectories(const std::filesystem::path& dir) override;
  bool Exists(const std::filesystem::path& entry) override;
  bool CanCreateFileIn(const std::filesystem::path& dir) override;
};

}  // namespace kv::win32_backend
