// The main of the program's tests: Qt's offscreen platform, no display needed, and one
// application object with widgets for the whole run.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
  // An explicit platform in the environment wins, so the tests can be watched on a screen.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
