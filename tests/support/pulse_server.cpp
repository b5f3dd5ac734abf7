#include "support/pulse_server.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

namespace kv::test {
namespace {

bool SocketAnswers(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

}  // namespace

PulseServer::~PulseServer() { Stop(); }

bool PulseServer::Start() {
  Stop();
  directory_ = MakeTempDirectory();  // private (0700), as the server wants its runtime directory
  if (directory_.empty()) return false;
  address_ = "unix:" + directory_ + "/pulse/native";
  if (Launch()) return true;
  Stop();
  return false;
}

bool PulseServer::Restart() {
  End();
  return !directory_.empty() && Launch();
}

bool PulseServer::Launch() {
  if (!process_.Start(
          {"/usr/bin/env", "XDG_RUNTIME_DIR=" + directory_, "HOME=" + directory_, "pulseaudio",
           "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes", "-L",
           "module-null-sink", "-L", "module-native-protocol-unix"},
          "", directory_ + "/server.log")) {
    return false;
  }
  const std::string socket = directory_ + "/pulse/native";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < deadline && process_.Running()) {
    if (SocketAnswers(socket)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  End();
  return false;
}

void PulseServer::End() {
  if (!process_.Running()) return;
  process_.Signal(SIGTERM);
  if (process_.Wait(5000) < 0) {
    process_.Signal(SIGKILL);
    process_.Wait(5000);
  }
}

void PulseServer::Stop() {
  End();
  if (!directory_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  directory_.clear();
  address_.clear();
}

std::string PulseServer::Pactl(const std::string& arguments) const {
  const std::string command = "pactl --server=" + address_ + " " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "";
  std::string output;
  char buffer[256];
  while (const size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  pclose(pipe);
  return output;
}

}  // namespace kv::test
