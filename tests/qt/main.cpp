#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "support/xvfb_server.h"

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
