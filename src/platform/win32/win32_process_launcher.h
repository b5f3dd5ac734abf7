#pragma once

#include <string>

#include "core/port/process_launcher.h"

namespace kv::win32_backend {

// Starts "Execute" command lines with CreateProcessA: the line as given (the system finds the
// program in it), our own start-up record, environment and current directory, no inherited
// handles, no creation flags. The handles of the new process and its thread are closed at once;
// the program is never waited for.
class Win32ProcessLauncher final : public ProcessLauncher {
 public:
  // False (with the system's last error) when CreateProcessA refused the line.
  bool Start(const std::string& commandLine) override;
};

}  // namespace kv::win32_backend
