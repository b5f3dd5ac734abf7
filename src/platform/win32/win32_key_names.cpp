#include "platform/win32/win32_key_names.h"

#include <windows.h>

namespace kv::win32_backend {

namespace {
constexpr int kKeyNameBufferSize = 256;
}

std::string Win32KeyNames::NameOfKey(uint8_t virtualKey) {
  const UINT scanCode = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
  if (scanCode == 0) return {};
  char name[kKeyNameBufferSize] = {};
  const LONG keyParam = static_cast<LONG>(scanCode << 16);
  const int length = GetKeyNameTextA(keyParam, name, kKeyNameBufferSize);
  if (length <= 0) return {};
  return std::string(name, static_cast<size_t>(length));
}

}  // namespace kv::win32_backend
