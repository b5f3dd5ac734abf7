#pragma once

#include <string>

namespace kv::winapp {

enum class ConsoleStream { Output, Error };

// Writes UTF-8 `text` where a console program would: to the standard handle when it is a file
// or pipe (as UTF-8 bytes), else to the console the program was started from (as UTF-16, so
// any language shows). A program started from the desktop has neither, and writes nothing.
void WriteToConsole(ConsoleStream stream, const std::string& text);

}  // namespace kv::winapp
