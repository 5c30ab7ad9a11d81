#include <gtest/gtest.h>

#include <QApplication>

// Every test program runs with a real QApplication on the offscreen platform, so window
// tests create real widgets and event-driven code runs its real event loop.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
