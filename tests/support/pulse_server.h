#pragma once

#include <string>

#include "support/child_process.h"

namespace kv::test {

// A private PulseAudio server with one null sink, for the tests that need audio. It runs in a
// fresh runtime directory of its own and is reached by its socket address; the test process's
// environment stays as it is.
class PulseServer {
 public:
  PulseServer() = default;
  PulseServer(const PulseServer&) = delete;
  PulseServer& operator=(const PulseServer&) = delete;
  ~PulseServer();

  // Starts the server and waits until its socket accepts clients. False if it did not come up.
  bool Start();
  void Stop();
  // Ends the server and starts a new one at the same address, as a restarted sound server is.
  bool Restart();

  // "unix:<socket path>", for clients and for pactl --server.
  const std::string& Address() const { return address_; }

  // Runs pactl against this server; its standard output, empty on failure.
  std::string Pactl(const std::string& arguments) const;

 private:
  bool Launch();
  void End();

  std::string directory_;
  std::string address_;
  ChildProcess process_;
};

}  // namespace kv::test
