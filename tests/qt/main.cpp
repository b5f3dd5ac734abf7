#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "support/xvfb_server.h"

// The session-bus library keeps an allocation until exit that the leak checker reports; it is
// not ours to free. (Only read when the tests are built with the address sanitizer.)
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

// Every Qt test runs in one private X server with one QApplication.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  kv::test::XvfbServer xvfb;
  if (!xvfb.Start(1280, 800)) {
    std::fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  // Icons then go to an X11 notification area (XEmbed), never to one on a session bus.
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
