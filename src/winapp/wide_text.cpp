#include "winapp/wide_text.h"

#include <windows.h>

namespace kv::winapp {

namespace {

std::wstring Convert(UINT codePage, DWORD flags, std::string_view text) {
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), length, wide.data(), needed);
  return wide;
}

}  // namespace

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  std::wstring wide = Convert(CP_UTF8, MB_ERR_INVALID_CHARS, text);
  if (!wide.empty()) return wide;
  return Convert(CP_ACP, 0, text);
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

}  // namespace kv::winapp
