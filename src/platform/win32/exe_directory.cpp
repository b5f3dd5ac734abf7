#include "platform/win32/exe_directory.h"

#include <windows.h>

#include <vector>

namespace kv::win32_backend {

// Paths longer than MAX_PATH exist (long-path aware systems); the buffer grows up to the
// longest path the system can give.
constexpr DWORD kMaxModulePath = 32768;

std::string DirectoryPart(std::string_view path) {
  const size_t last = path.find_last_of("\\:");
  if (last == std::string_view::npos) return {};
  return std::string(path.substr(0, last + 1));
}

std::string ExeDirectory() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0) return {};
    // A full buffer means the path was cut: try again with a bigger one.
    if (length < size) return DirectoryPart(std::string_view(buffer.data(), length));
    if (size >= kMaxModulePath) return {};
    buffer.resize(static_cast<size_t>(size) * 2);
  }
}

}  // namespace kv::win32_backend
