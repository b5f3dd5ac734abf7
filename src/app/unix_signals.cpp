#include "app/unix_signals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>

#include "app/termination.h"

namespace kv::app {
namespace {

int signalPipe[2] = {-1, -1};

void WriteSignalByte(int) {
  const char byte = 1;
  // Only async-signal-safe calls here; a full pipe just means a close is already pending.
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

}  // namespace

UnixSignalBridge::UnixSignalBridge(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) return;
  notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &UnixSignalBridge::HandleReadable);
  struct sigaction action {};
  action.sa_handler = WriteSignalByte;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

UnixSignalBridge::~UnixSignalBridge() {
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  for (int& fd : signalPipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

void UnixSignalBridge::HandleReadable() {
  char buffer[16];
  while (read(signalPipe[0], buffer, sizeof buffer) > 0) {
  }
  if (onSignal_) onSignal_();
}

std::unique_ptr<QObject> WatchTermination(std::function<void()> closeMainWindow) {
  return std::make_unique<UnixSignalBridge>(std::move(closeMainWindow));
}

}  // namespace kv::app
