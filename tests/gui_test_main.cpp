// The main of tests that paint: Qt's offscreen platform, no display needed, and one
// application object for the whole run (painting text and images needs it).
#include <gtest/gtest.h>

#include <QGuiApplication>

#include <cstdlib>

int main(int argc, char** argv) {
  // An explicit platform in the environment wins, so the tests can be watched on a screen.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
