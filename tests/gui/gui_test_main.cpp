// Entry point of the GUI tests: one QApplication for the whole run, on Qt's offscreen platform
// unless the environment asks for another (QT_QPA_PLATFORM=xcb with a DISPLAY, for a look).
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kestrovane");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
