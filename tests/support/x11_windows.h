#pragma once

#include <string>
#include <vector>

namespace kv::test {

// Titles (_NET_WM_NAME, else WM_NAME) of the mapped top-level windows on the X display named by
// DISPLAY whose WM_CLASS instance or class equals `windowClass`. Empty when the display cannot
// be opened.
std::vector<std::string> WindowTitlesOfClass(const std::string& windowClass);

}  // namespace kv::test
