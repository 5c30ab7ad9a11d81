#pragma once

#include <QObject>
#include <QSerialPort>
#include <QTimer>
#include <vector>

#include "console/output/widget_port.h"

// A widget's virtual serial port over Qt SerialPort: 256000 baud, 8 data bits, no parity, one stop
// bit, no flow control, DTR and RTS held inactive where the port supports them (a pseudo-terminal
// does not, which is not an open failure).
//
// When the device goes away the port reports a resource error, or a read error on a hung-up
// descriptor, possibly before anything is written; the port is then closed at once (a vanished tty keeps
// signalling otherwise) and the next write fails, which is where the link layer notices the loss.
class SerialWidgetPort : public QObject, public WidgetPort {
  Q_OBJECT
 public:
  explicit SerialWidgetPort(QObject* parent = nullptr);
  ~SerialWidgetPort() override;

  bool open(const QString& name) override;
  void close() override;
  bool isOpen() const override;
  bool write(std::span<const uint8_t> bytes) override;

  QString portName() const { return port_.portName(); }
  // Bytes the device has been handed since the program started, and whether any wait to go out:
  // together they tell when everything written has left the program.
  qint64 bytesDelivered() const { return delivered_; }
  bool writesPending() const { return !pending_.empty() || (port_.isOpen() && port_.bytesToWrite() > 0); }

 private:
  void onReadyRead();
  void onError(QSerialPort::SerialPortError error);
  void drain();

  // Bytes waiting for the device beyond which a new frame is left out (a few full frames).
  static constexpr qint64 kBacklogLimit = 4096;

  QSerialPort port_;
  bool failed_ = false;              // the device went away since the port was opened
  std::vector<QByteArray> pending_;  // newest frame of each label, waiting while the device takes a backlog
  QTimer drainTimer_;
  qint64 delivered_ = 0;
};
