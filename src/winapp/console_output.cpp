#include "winapp/console_output.h"

#include <windows.h>

#include "winapp/wide_text.h"

namespace kv::winapp {

namespace {

bool IsUsable(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

void WriteTo(HANDLE handle, const std::string& text) {
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode) != 0) {
    const std::wstring wide = Widen(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  DWORD written = 0;
  WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

void WriteToConsole(ConsoleStream stream, const std::string& text) {
  const DWORD which = stream == ConsoleStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
  HANDLE handle = GetStdHandle(which);
  if (IsUsable(handle)) {
    WriteTo(handle, text);
    return;
  }
  // A window program has no console of its own: use the one of the command prompt that
  // started it, if any.
  if (AttachConsole(ATTACH_PARENT_PROCESS) == 0) return;
  handle = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
  if (!IsUsable(handle)) return;
  WriteTo(handle, text);
  CloseHandle(handle);
}

}  // namespace kv::winapp
