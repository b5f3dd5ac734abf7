#include "platform/linux/posix_process_launcher.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "core/actions/command_line_split.h"

extern char** environ;

namespace kv::linux_backend {
namespace {

#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
#define KV_HAVE_SPAWN_CLOSEFROM 1
#endif

bool IsExecutableFileAt(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

#ifndef KV_HAVE_SPAWN_CLOSEFROM
// Without a close-from spawn action, every descriptor above standard error is marked
// close-on-exec before the spawn instead.
void MarkDescriptorsCloseOnExec() {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return;
  const int own = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    const int fd = std::atoi(entry->d_name);
    if (fd > STDERR_FILENO && fd != own) fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
  }
  closedir(dir);
}
#endif

// Waits for the started program on a detached thread, so that it leaves no zombie behind.
void ReapLater(pid_t pid) {
  try {
    std::thread([pid] {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the program still runs; it stays a zombie once it ends.
  }
}

class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
#ifdef KV_HAVE_SPAWN_CLOSEFROM
    posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
#else
    MarkDescriptorsCloseOnExec();
#endif
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setsigdefault(&attributes_, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    posix_spawnattr_setflags(&attributes_, flags);
  }
  ~SpawnSetup() {
    posix_spawnattr_destroy(&attributes_);
    posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  const posix_spawn_file_actions_t* Actions() const { return &actions_; }
  const posix_spawnattr_t* Attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

}  // namespace

bool IsProgramFile(const std::string& program) {
  if (program.empty() || program.size() >= PATH_MAX) return false;
  if (program.find('/') != std::string::npos) return IsExecutableFileAt(program);
  const char* pathVariable = std::getenv("PATH");
  std::string_view path = pathVariable != nullptr ? pathVariable : "/bin:/usr/bin";
  while (true) {
    const std::size_t colon = path.find(':');
    const std::string_view dir = path.substr(0, colon);
    // An empty entry of PATH is the current directory.
    if (IsExecutableFileAt((dir.empty() ? std::string(".") : std::string(dir)) + "/" + program)) {
      return true;
    }
    if (colon == std::string_view::npos) return false;
    path.remove_prefix(colon + 1);
  }
}

bool PosixProcessLauncher::Start(const std::string& commandLine) {
  const auto invocation = SplitCommandLine(commandLine, IsProgramFile);
  if (!invocation) return false;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(invocation->Program.c_str()));
  for (const std::string& argument : invocation->Arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);

  const SpawnSetup setup;
  pid_t pid = -1;
  // posix_spawnp reports a failed exec as its result, so a missing program is a plain false.
  if (posix_spawnp(&pid, argv[0], setup.Actions(), setup.Attributes(), argv.data(), environ) != 0) {
    return false;
  }
  ReapLater(pid);
  return true;
}

}  // namespace kv::linux_backend
