#pragma once

#include <string>
#include <string_view>

namespace kv::win32_backend {

// The full path of the running executable up to and including its last '\' or ':', e.g.
// "C:\Program Files\Kestrovane\". Returns an empty text when the system does not tell (then
// files named relative to it land in the working directory).
std::string ExeDirectory();

// The directory part of `path`: everything up to and including its last '\' or ':'; empty when
// it has neither.
std::string DirectoryPart(std::string_view path);

}  // namespace kv::win32_backend
