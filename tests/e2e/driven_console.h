#pragma once

// A console whole-program tests drive from outside: the USB Pro widget simulator as its interface,
// a free OSC port of its own, and a client on the remote command server (TCP 5200).

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QUdpSocket>

#include "tests/e2e/console_process.h"
#include "tools/usbpro_sim/widget_simulator.h"

struct DrivenConsole {
  WidgetSimulator widget;
  ConsoleProcess console;
  QTcpSocket client;
  QByteArray received;
  quint16 oscPort = 0;

  // Starts the console on `show` (a file of its program folder) with `maxChannels`, and waits until
  // its server greets and the first activation's and the opening's black-outs have gone out:
  // commands sent before them would be overtaken by them.
  void startOn(const QString& show, int maxChannels) {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    oscPort = probe.localPort();
    probe.close();
    console.writeSettings(QString("[Settings]\nComPort=%1\nDMXdevice=0\nMaxChannels=%2\nOSCListen=%3\n")
                              .arg(widget.devicePath())
                              .arg(maxChannels)
                              .arg(oscPort));
    ASSERT_TRUE(console.start({console.path(show)}));
    ASSERT_TRUE(ConsoleProcess::connectUntilGreeted(client, received));
    received.clear();
    ASSERT_TRUE(ConsoleProcess::waitFor([&] {
      int blackouts = 0;
      for (const auto& f : widget.frames()) blackouts += f.label == 6;
      return blackouts >= 2;
    }));
  }

  void send(const QByteArray& command) {
    client.write(command);
    client.flush();
  }
  bool waitForReply(const QByteArray& reply) {
    return ConsoleProcess::waitFor([&] {
      received += client.readAll();
      return received.contains(reply);
    });
  }
  // The level of DMX address `address` in the newest USB Pro frame, -1 before any.
  int wireLevel(int address) {
    for (auto it = widget.frames().rbegin(); it != widget.frames().rend(); ++it)
      if (it->label == 6 && it->payload.size() > address) return uint8_t(it->payload[address]);
    return -1;
  }
  bool waitForLevel(int address, int level) {
    return ConsoleProcess::waitFor([&] { return wireLevel(address) == level; });
  }
};
