#pragma once

#include <cstdint>
#include <string>

#include "core/port/file_store.h"

namespace kv::win32_backend {

// The system's message text for an error code in the default language, exactly as the system
// gives it (usually ending in ".\r\n"). Returns an empty text for a code the system has no text
// for.
std::string SystemErrorText(uint32_t code);

// The same text without the trailing line break and blanks, for messages of our own.
std::string TrimmedSystemErrorText(uint32_t code);

// A file error naming `call`, with `code` and the system's text for it.
FileError FileErrorOf(const char* call, uint32_t code);

// A file error naming `call`, with the calling thread's last error code.
FileError LastFileError(const char* call);

}  // namespace kv::win32_backend
