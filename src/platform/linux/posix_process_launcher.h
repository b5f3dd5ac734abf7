#pragma once

#include <string>

#include "core/port/process_launcher.h"

namespace kv::linux_backend {

// Starts "Execute" command lines with posix_spawnp, never through a shell. The line is split into
// a program and arguments (double quotes group; an unquoted program path with blanks is found by
// the longest prefix that names an executable file). The program gets the environment and the
// current directory, but none of our open files beyond standard input, output and error, an
// empty signal mask, default signal dispositions and a session of its own. Each started program
// is waited for by a small detached thread, so it never lingers as a zombie, and SIGCHLD stays
// untouched for the rest of the program.
class PosixProcessLauncher final : public ProcessLauncher {
 public:
  // False when the line names no program or the program could not be executed.
  bool Start(const std::string& commandLine) override;
};

// Whether `program` names an executable regular file: a name with a slash as a path, a bare
// name through the directories of PATH. False for names longer than a path can be.
bool IsProgramFile(const std::string& program);

}  // namespace kv::linux_backend
