// usbpro_sim: a USB Pro widget on a pseudo-terminal, for running the console without hardware.
// Prints the device to give the console as its ComPort, answers the serial-number and parameters
// requests, records or prints the frames it receives and can stream DMX input. Runs until it is
// interrupted or terminated.

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "tools/usbpro_sim/widget_simulator.h"

namespace {
int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription("A USB Pro DMX widget on a pseudo-terminal.");
  parser.addHelpOption();
  const QCommandLineOption serialOption("serial", "Serial number to report, 8 hex digits.", "hex",
                                        "12345678");
  const QCommandLineOption firmwareOption("firmware", "Firmware version to report.", "major.minor", "1.44");
  const QCommandLineOption recordOption("record", "Append every received frame to this file, one per line.",
                                        "file");
  const QCommandLineOption printOption("print", "Print every received frame.");
  const QCommandLineOption linkOption("link", "Also reach the device through this symbolic link.", "path");
  const QCommandLineOption silentOption("silent", "Answer no request.");
  const QCommandLineOption dmxInOption(
      "dmx-in", "Send DMX input (label 5) every this many ms and behind every reply.", "ms");
  const QCommandLineOption levelsOption("dmx-in-levels", "Levels of the DMX input, comma-separated.", "list",
                                        "0");
  parser.addOptions({serialOption, firmwareOption, recordOption, printOption, linkOption, silentOption,
                     dmxInOption, levelsOption});
  parser.process(app);

  WidgetSimulator widget;
  if (!widget.isOpen()) {
    std::fprintf(stderr, "usbpro_sim: cannot open a pseudo-terminal\n");
    return 1;
  }
  bool ok = false;
  const uint32_t serial = parser.value(serialOption).toUInt(&ok, 16);
  if (ok) widget.setSerialNumber(serial);
  const QStringList firmware = parser.value(firmwareOption).split('.');
  if (firmware.size() == 2) widget.setFirmware(uint8_t(firmware[1].toUInt()), uint8_t(firmware[0].toUInt()));
  widget.setAnswering(!parser.isSet(silentOption));

  QString device = widget.devicePath();
  const QString link = parser.value(linkOption);
  if (!link.isEmpty()) {
    QFile::remove(link);
    if (!QFile::link(device, link)) {
      std::fprintf(stderr, "usbpro_sim: cannot create the link %s\n", qPrintable(link));
      return 1;
    }
  }

  QFile record(parser.value(recordOption));
  if (parser.isSet(recordOption) && !record.open(QIODevice::Append | QIODevice::Text)) {
    std::fprintf(stderr, "usbpro_sim: cannot write %s\n", qPrintable(record.fileName()));
    return 1;
  }
  const bool print = parser.isSet(printOption);
  widget.setFrameHandler([&](const WidgetSimulator::Frame& frame) {
    const QByteArray line = WidgetSimulator::frameText(frame.raw).toLatin1() + '\n';
    if (record.isOpen()) {
      record.write(line);
      record.flush();
    }
    if (print) {
      std::fputs(line.constData(), stdout);
      std::fflush(stdout);
    }
  });

  QTimer dmxIn;
  if (parser.isSet(dmxInOption)) {
    QByteArray levels;
    for (const QString& level : parser.value(levelsOption).split(','))
      levels.append(char(level.toUInt() & 0xFF));
    // A live input also follows every reply, as a real widget's does.
    widget.setLiveInput(levels);
    QObject::connect(&dmxIn, &QTimer::timeout, [&widget, levels] { widget.sendDmxInput(levels); });
    dmxIn.start(qMax(1, parser.value(dmxInOption).toInt()));
  }

  // Interrupt and terminate end the event loop, so the link is removed and the pty closed.
  if (::pipe(g_signalPipe) == 0) {
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
  }
  QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

  std::printf("%s\n", qPrintable(device));
  std::fflush(stdout);
  const int rc = app.exec();
  widget.unplug();
  if (!link.isEmpty()) QFile::remove(link);
  return rc;
}
