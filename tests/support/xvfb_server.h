#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

namespace kv::test {

// A private X server (Xvfb) started for the tests that need one. The server picks a free display
// number itself; Start sets DISPLAY for the test process and returns the display name.
class XvfbServer {
 public:
  XvfbServer() = default;
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;
  ~XvfbServer();

  // Starts Xvfb with one screen of the given size (24-bit colour) and -noreset, so that
  // monitors set with xrandr survive the last client. Returns false if the server did not come up.
  bool Start(int width = 1920, int height = 1080, const std::vector<std::string>& extraArgs = {});
  void Stop();

  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Runs a command line through /bin/sh with DISPLAY of the test process; returns its exit status.
int RunCommand(const std::string& commandLine);

}  // namespace kv::test
