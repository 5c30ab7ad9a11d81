#include <gtest/gtest.h>

#include <QApplication>

#include "console/output/art_net_link.h"

// Every test program runs with a real QApplication on the offscreen platform, so window
// tests create real widgets and event-driven code runs its real event loop.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Nothing in a test process broadcasts on the machine's network: Art-Net tests send to loopback
  // addresses, and a broadcast sent by mistake goes nowhere (the send fails).
  setBroadcastSource([] { return QList<QHostAddress>{}; });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
