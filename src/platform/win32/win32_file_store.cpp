#include "platform/win32/win32_file_store.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "platform/win32/system_error.h"

namespace kv::win32_backend {
namespace {

constexpr int kMaxTempNameTries = 100;
// ReadFile and WriteFile take 32-bit counts; larger files move in pieces of this size.
constexpr DWORD kMaxChunk = 1u << 30;
// A settings file is small; anything bigger than this is refused rather than read into memory.
constexpr LONGLONG kMaxReadSize = LONGLONG{1} << 30;

// Closes a handle when it goes out of scope.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }
  // Closes now; false (with the last error) when the close failed.
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != FALSE;
  }

 private:
  HANDLE handle_;
};

bool IsMissingCode(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
         code == ERROR_INVALID_NAME || code == ERROR_BAD_NETPATH;
}

std::string DirectoryOf(const std::filesystem::path& file) {
  const std::string dir = file.parent_path().string();
  return dir.empty() ? std::string(".") : dir;
}

// The file a symbolic link at `file` leads to, or `file` itself when it is no link (or the link
// cannot be followed: then the replace works on the link's own name and reports what fails).
std::string FollowLinks(const std::string& file) {
  const DWORD attributes = GetFileAttributesA(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return file;
  }
  ScopedHandle handle(CreateFileA(file.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.Valid()) return file;
  std::vector<char> buffer(MAX_PATH);
  DWORD length =
      GetFinalPathNameByHandleA(handle.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = GetFinalPathNameByHandleA(handle.Get(), buffer.data(),
                                       static_cast<DWORD>(buffer.size()), 0);
  }
  if (length == 0 || length >= buffer.size()) return file;
  return std::string(buffer.data(), length);
}

std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(GetTickCount() & 0xffffffu);
}

std::optional<FileError> WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > kMaxChunk ? kMaxChunk : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return LastFileError("WriteFile");
    if (written == 0) return FileErrorOf("WriteFile", ERROR_DISK_FULL);
    bytes.remove_prefix(written);
  }
  return std::nullopt;
}

// A temporary file being written beside the target; deleted again unless moved into place.
class TempFile {
 public:
  ~TempFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    if (!path_.empty()) DeleteFileA(path_.c_str());
  }

  std::optional<FileError> Create(const std::string& target, DWORD attributes) {
    const std::string base =
        DirectoryOf(target) + "\\." + std::filesystem::path(target).filename().string() + ".";
    for (int attempt = 0; attempt < kMaxTempNameTries; ++attempt) {
      std::string candidate = base + UniqueSuffix() + ".tmp";
      handle_ = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes,
                            nullptr);
      if (handle_ != INVALID_HANDLE_VALUE) {
        path_ = std::move(candidate);
        return std::nullopt;
      }
      const DWORD code = GetLastError();
      if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
        return FileErrorOf("CreateFileA", code);
      }
    }
    return FileErrorOf("CreateFileA", ERROR_FILE_EXISTS);
  }

  HANDLE Handle() const { return handle_; }
  const std::string& Path() const { return path_; }

  std::optional<FileError> Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle)) return LastFileError("CloseHandle");
    return std::nullopt;
  }

  // After a successful move the temporary name is gone; nothing is left to delete.
  void Release() { path_.clear(); }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::string path_;
};

// Refusals decided before anything is written. Returns the attributes the replacement keeps.
std::optional<FileError> CheckReplaceable(const std::string& target, DWORD& keptAttributes) {
  keptAttributes = FILE_ATTRIBUTE_NORMAL;
  const DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return std::nullopt;  // a new file
    return FileErrorOf("GetFileAttributesA", code);
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileErrorOf("CreateFileA", ERROR_ACCESS_DENIED);
  // The move would replace a read-only file without complaint; the file's owner marked it so
  // that it stays as it is.
  if (attributes & FILE_ATTRIBUTE_READONLY) return FileErrorOf("CreateFileA", ERROR_ACCESS_DENIED);
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  if (attributes & kKept) keptAttributes = attributes & kKept;
  return std::nullopt;
}

}  // namespace

FileReadResult Win32FileStore::ReadWhole(const std::filesystem::path& file) {
  FileReadResult result;
  ScopedHandle handle(CreateFileA(file.string().c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.Valid()) {
    const DWORD code = GetLastError();
    result.Status = IsMissingCode(code) ? FileReadStatus::Missing : FileReadStatus::Failed;
    if (result.Status == FileReadStatus::Failed) result.Error = FileErrorOf("CreateFileA", code);
    return result;
  }
  result.Status = FileReadStatus::Failed;
  // Pipes, consoles and devices could block a read for ever: only disk files are read.
  if (GetFileType(handle.Get()) != FILE_TYPE_DISK) {
    result.Error = FileErrorOf("GetFileType", ERROR_INVALID_FUNCTION);
    return result;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle.Get(), &size)) {
    result.Error = LastFileError("GetFileSizeEx");
    return result;
  }
  if (size.QuadPart > kMaxReadSize) {
    result.Error = FileErrorOf("ReadFile", ERROR_NOT_ENOUGH_MEMORY);
    return result;
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  // Read until the end, whatever the size said: the file may have changed meanwhile.
  for (;;) {
    if (done == bytes.size()) bytes.resize(bytes.size() + 4096);
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kMaxChunk));
    if (!ReadFile(handle.Get(), bytes.data() + done, want, &got, nullptr)) {
      result.Error = LastFileError("ReadFile");
      return result;
    }
    if (got == 0) break;
    done += got;
    if (done > static_cast<size_t>(kMaxReadSize)) {
      result.Error = FileErrorOf("ReadFile", ERROR_NOT_ENOUGH_MEMORY);
      return result;
    }
  }
  bytes.resize(done);
  result.Status = FileReadStatus::Ok;
  result.Bytes = std::move(bytes);
  return result;
}

std::optional<FileError> Win32FileStore::ReplaceWhole(const std::filesystem::path& file,
                                                      std::string_view bytes) {
  const std::string target = FollowLinks(file.string());
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  if (auto refused = CheckReplaceable(target, attributes)) return refused;
  TempFile temp;
  if (auto failed = temp.Create(target, attributes)) return failed;
  if (auto failed = WriteAll(temp.Handle(), bytes)) return failed;
  if (!FlushFileBuffers(temp.Handle())) return LastFileError("FlushFileBuffers");
  if (auto failed = temp.Close()) return failed;
  if (!MoveFileExA(temp.Path().c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return LastFileError("MoveFileExA");
  }
  temp.Release();
  return std::nullopt;
}

std::optional<FileError> Win32FileStore::CreateDirectories(const std::filesystem::path& dir) {
  const std::string name = dir.string();
  if (name.empty()) return FileErrorOf("CreateDirectoryA", ERROR_PATH_NOT_FOUND);
  const DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return FileErrorOf("CreateDirectoryA", ERROR_ALREADY_EXISTS);
  }
  const std::filesystem::path parent = dir.parent_path();
  // The parent of a root ("C:\", "\\server\share") is itself: stop there.
  if (!parent.empty() && parent != dir && dir.has_relative_path()) {
    if (auto failed = CreateDirectories(parent)) return failed;
  }
  if (!CreateDirectoryA(name.c_str(), nullptr)) {
    const DWORD code = GetLastError();
    // Someone else made it meanwhile: fine, as long as it is a directory.
    if (code == ERROR_ALREADY_EXISTS) {
      const DWORD now = GetFileAttributesA(name.c_str());
      if (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    }
    return FileErrorOf("CreateDirectoryA", code);
  }
  return std::nullopt;
}

bool Win32FileStore::Exists(const std::filesystem::path& entry) {
  // The attributes of a link itself are read, so a dangling link counts as present.
  return GetFileAttributesA(entry.string().c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileStore::CanCreateFileIn(const std::filesystem::path& dir) {
  const std::string scratch = DirectoryOf(dir / "x") + "\\.kv-probe-" + UniqueSuffix() + ".tmp";
  const HANDLE handle = CreateFileA(scratch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

}  // namespace kv::win32_backend
