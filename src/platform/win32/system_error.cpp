#include "platform/win32/system_error.h"

#include <windows.h>

namespace kv::win32_backend {

std::string SystemErrorText(uint32_t code) {
  char* text = nullptr;
  // FORMAT_MESSAGE_ALLOCATE_BUFFER: the system sizes the buffer, so no text is ever cut.
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result;
  if (length != 0 && text != nullptr) result.assign(text, length);
  if (text != nullptr) LocalFree(text);
  return result;
}

std::string TrimmedSystemErrorText(uint32_t code) {
  std::string text = SystemErrorText(code);
  const size_t end = text.find_last_not_of(" \t\r\n");
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

FileError FileErrorOf(const char* call, uint32_t code) {
  return {call, static_cast<int>(code), TrimmedSystemErrorText(code)};
}

FileError LastFileError(const char* call) { return FileErrorOf(call, GetLastError()); }

}  // namespace kv::win32_backend
