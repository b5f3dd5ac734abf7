#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

namespace kv::test {

// A program started by a test, with its output captured to a file. The destructor kills it.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // Starts `argv` (argv[0] is the program path) with `workingDirectory` (empty = inherit),
  // stdout and stderr appended to `outputFile` (empty = /dev/null). False when fork fails.
  bool Start(const std::vector<std::string>& argv, const std::string& workingDirectory = "",
             const std::string& outputFile = "");

  // Sends a signal; false when the process is not running.
  bool Signal(int signalNumber);

  // Waits up to `timeoutMs` for the process to end. Returns its exit code (128 + signal when it
  // was killed), or -1 when it is still running.
  int Wait(int timeoutMs);

  bool Running();
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int exitCode_ = -1;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFileText(const std::string& path);

// Makes a fresh private temporary directory and returns its path.
std::string MakeTempDirectory();

}  // namespace kv::test
