#include "platform/sim/memory_file_store.h"

#include <cstring>

namespace kv::sim {
namespace {

FileError ErrorOf(const char* call, int code) { return {call, code, std::strerror(code)}; }

}  // namespace

std::string MemoryFileStore::Key(const std::filesystem::path& path) {
  std::filesystem::path normal = path.lexically_normal();
  if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
  const std::string key = normal.generic_string();
  return key.empty() ? "." : key;
}

std::string MemoryFileStore::ParentKey(const std::string& key) {
  return Key(std::filesystem::path(key).parent_path());
}

bool MemoryFileStore::DirectoryAcceptsFiles(const std::string& dirKey, FileError& error) const {
  if (dirKey == "." || dirKey == "/") return true;
  const auto dir = directories_.find(dirKey);
  if (dir == directories_.end()) {
    error = ErrorOf("open", files_.count(dirKey) ? ENOTDIR : ENOENT);
    return false;
  }
  if (!dir->second) {
    error = ErrorOf("open", EACCES);
    return false;
  }
  return true;
}

FileReadResult MemoryFileStore::ReadWhole(const std::filesystem::path& file) {
  const std::string key = Key(file);
  FileReadResult result;
  if (const auto failure = readFailures_.find(key); failure != readFailures_.end()) {
    result.Status = FileReadStatus::Failed;
    result.Error = ErrorOf("open", failure->second);
    return result;
  }
  if (directories_.count(key)) {
    result.Status = FileReadStatus::Failed;
    result.Error = ErrorOf("read", EISDIR);
    return result;
  }
  const auto found = files_.find(key);
  if (found == files_.end()) return result;  // Missing
  result.Status = FileReadStatus::Ok;
  result.Bytes = found->second.Bytes;
  return result;
}

std::optional<FileError> MemoryFileStore::ReplaceWhole(const std::filesystem::path& file,
                                                       std::string_view bytes) {
  const std::string key = Key(file);
  FileError error;
  if (directories_.count(key)) return ErrorOf("rename", EISDIR);
  const auto existing = files_.find(key);
  if (existing != files_.end() && existing->second.ReadOnly) return ErrorOf("open", EACCES);
  if (!DirectoryAcceptsFiles(ParentKey(key), error)) return error;
  if (nextReplaceFailure_) {
    error = std::move(*nextReplaceFailure_);
    nextReplaceFailure_.reset();
    return error;
  }
  files_[key].Bytes.assign(bytes);
  ++replaceCount_;
  return std::nullopt;
}

std::optional<FileError> MemoryFileStore::CreateDirectories(const std::filesystem::path& dir) {
  const std::string key = Key(dir);
  if (key == "." || key == "/" || directories_.count(key)) return std::nullopt;
  if (files_.count(key)) return ErrorOf("mkdir", EEXIST);
  if (std::optional<FileError> error = CreateDirectories(ParentKey(key))) return error;
  FileError error;
  if (!DirectoryAcceptsFiles(ParentKey(key), error)) return ErrorOf("mkdir", error.Code);
  directories_[key] = true;
  return std::nullopt;
}

bool MemoryFileStore::Exists(const std::filesystem::path& entry) {
  const std::string key = Key(entry);
  return key == "." || key == "/" || files_.count(key) || directories_.count(key);
}

bool MemoryFileStore::CanCreateFileIn(const std::filesystem::path& dir) {
  FileError error;
  return DirectoryAcceptsFiles(Key(dir), error);
}

void MemoryFileStore::PutFile(const std::filesystem::path& file, std::string bytes, bool readOnly) {
  const std::string key = Key(file);
  const std::string parent = ParentKey(key);
  if (!directories_.count(parent)) AddDirectory(parent);
  files_[key] = File{std::move(bytes), readOnly};
}

void MemoryFileStore::AddDirectory(const std::filesystem::path& dir, bool writable) {
  std::string key = Key(dir);
  directories_[key] = writable;
  for (key = ParentKey(key); key != "." && key != "/" && !directories_.count(key);
       key = ParentKey(key))
    directories_[key] = true;
}

void MemoryFileStore::FailReadsOf(const std::filesystem::path& file, int code) {
  readFailures_[Key(file)] = code;
}

void MemoryFileStore::FailNextReplace(FileError error) { nextReplaceFailure_ = std::move(error); }

std::optional<std::string> MemoryFileStore::FileBytes(const std::filesystem::path& file) const {
  const auto found = files_.find(Key(file));
  if (found == files_.end()) return std::nullopt;
  return found->second.Bytes;
}

}  // namespace kv::sim
