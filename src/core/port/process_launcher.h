#pragma once

#include <string>

namespace kv {

// Starts programs for the "Execute" action.
class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;

  // Starts `commandLine` as a new process with the program's environment and current
  // directory, never through a shell, without handing it the program's open files.
  // Returns false when the process could not be started (the caller ignores it).
  virtual bool Start(const std::string& commandLine) = 0;
};

}  // namespace kv
