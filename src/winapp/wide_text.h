#pragma once

#include <string>
#include <string_view>

namespace kv::winapp {

// The program's name: the main window's first caption and the title of its message boxes.
inline constexpr wchar_t kAppTitle[] = L"Kestrovane";

// The program's own texts are UTF-8; the window calls take UTF-16. A text that is not valid
// UTF-8 came from a narrow system call (a key name, a system error text) and is converted from
// the ANSI code page instead, so it still shows as the system wrote it.
std::wstring Widen(std::string_view text);

// UTF-16 to UTF-8 (command-line arguments, texts read back from controls). Unpaired surrogates
// become U+FFFD.
std::string Narrow(std::wstring_view text);

}  // namespace kv::winapp
