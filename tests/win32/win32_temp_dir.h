#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace kv::test {

// A fresh directory under the system's temporary directory, removed with everything in it when
// the object goes away. Read-only marks are cleared first, so files a test protected go too.
class Win32TempDir {
 public:
  Win32TempDir() {
    char base[MAX_PATH + 1] = {};
    if (GetTempPathA(MAX_PATH, base) == 0) throw std::runtime_error("GetTempPathA failed");
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      const std::string name = std::string(base) + "kv-test-" +
                               std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(GetTickCount() + attempt);
      if (CreateDirectoryA(name.c_str(), nullptr)) {
        path_ = name;
        return;
      }
    }
    throw std::runtime_error("CreateDirectoryA failed");
  }
  ~Win32TempDir() {
    std::error_code ec;
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec)) {
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(path_, ec);
  }
  Win32TempDir(const Win32TempDir&) = delete;
  Win32TempDir& operator=(const Win32TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  std::filesystem::path Write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }

  // Every entry name directly in the directory, sorted.
  std::string Listing() const {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names += entry.path().filename().string() + ";";
    }
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace kv::test
