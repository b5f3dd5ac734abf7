#include "support/xvfb_server.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace kv::test {

XvfbServer::~XvfbServer() { Stop(); }

bool XvfbServer::Start(int width, int height, const std::vector<std::string>& extraArgs) {
  Stop();
  int fds[2];
  if (pipe(fds) != 0) return false;
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  const std::string fdText = std::to_string(fds[1]);
  std::vector<std::string> args = {"Xvfb", "-displayfd", fdText,      "-screen", "0",
                                   screen, "-noreset",   "-nolisten", "tcp"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());

  pid_ = fork();
  if (pid_ < 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (pid_ == 0) {
    close(fds[0]);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp("Xvfb", argv.data());
    _exit(127);
  }
  close(fds[1]);

  // The server writes its display number followed by a newline once it accepts clients.
  std::string number;
  pollfd pfd{fds[0], POLLIN, 0};
  while (number.find('\n') == std::string::npos) {
    if (poll(&pfd, 1, 10000) <= 0) break;
    char buf[32];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    number.append(buf, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    Stop();
    return false;
  }
  number.resize(number.find('\n'));
  display_ = ":" + number;
  setenv("DISPLAY", display_.c_str(), 1);
  return true;
}

void XvfbServer::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = -1;
  display_.clear();
}

int RunCommand(const std::string& commandLine) {
  const int status = std::system(commandLine.c_str());
  if (status == -1) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kv::test
