#pragma once

#include <string>
#include <vector>

#include "core/port/process_launcher.h"

namespace kv::sim {

// Keeps every command line it was asked to start and answers with `Result`.
class RecordingProcessLauncher final : public ProcessLauncher {
 public:
  bool Start(const std::string& commandLine) override {
    Started.push_back(commandLine);
    return Result;
  }

  std::vector<std::string> Started;
  bool Result = true;
};

}  // namespace kv::sim
