#include "console/output/serial_widget_port.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

SerialWidgetPort::SerialWidgetPort(QObject* parent) : QObject(parent) {
  connect(&port_, &QSerialPort::readyRead, this, &SerialWidgetPort::onReadyRead);
  connect(&port_, &QSerialPort::errorOccurred, this, &SerialWidgetPort::onError);
  drainTimer_.setSingleShot(true);
  drainTimer_.setInterval(2);
  connect(&drainTimer_, &QTimer::timeout, this, &SerialWidgetPort::drain);
  connect(&port_, &QSerialPort::bytesWritten, this, [this](qint64 n) { delivered_ += n; });
}

SerialWidgetPort::~SerialWidgetPort() { close(); }

bool SerialWidgetPort::open(const QString& name) {
  if (port_.isOpen()) port_.close();
  failed_ = false;
  port_.setPortName(name);
  port_.setBaudRate(256000);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!port_.open(QIODevice::ReadWrite)) return false;
  // Not every port has modem lines; failing to drop them is harmless.
  port_.setDataTerminalReady(false);
  port_.setRequestToSend(false);
  port_.clearError();
  return true;
}

void SerialWidgetPort::close() {
  drainTimer_.stop();
  pending_.clear();
  if (port_.isOpen()) port_.close();
}

bool SerialWidgetPort::isOpen() const { return port_.isOpen(); }

bool SerialWidgetPort::write(std::span<const uint8_t> bytes) {
  if (failed_ || !port_.isOpen()) return false;
  // A device that reads slower than frames are made leaves earlier frames waiting. Each DMX frame
  // carries the whole buffer, so while a backlog waits a new frame is left out rather than queued
  // behind it: the next one carries the same levels.
  if (port_.bytesToWrite() > kBacklogLimit) {
    port_.flush();  // pushes out what the device takes now
    if (failed_ || !port_.isOpen()) return false;
    if (port_.bytesToWrite() > kBacklogLimit) {
      // Only the newest frame of each label waits (the two universes are two labels); they go out as
      // soon as the device has taken the backlog.
      const QByteArray frame(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
      auto same = std::find_if(pending_.begin(), pending_.end(), [&](const QByteArray& p) {
        return p.size() > 1 && frame.size() > 1 && p[1] == frame[1];
      });
      if (same != pending_.end())
        *same = frame;
      else
        pending_.push_back(frame);
      drainTimer_.start();
      return true;
    }
  }
  port_.clearError();
  const qint64 n = port_.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
  if (n != qint64(bytes.size())) return false;
  // Push the bytes out now so a vanished device shows up in this call, not later.
  port_.flush();
  return !failed_ && port_.isOpen();
}

void SerialWidgetPort::drain() {
  if (failed_ || !port_.isOpen()) {
    pending_.clear();
    return;
  }
  port_.flush();
  if (port_.bytesToWrite() > kBacklogLimit) {
    drainTimer_.start();
    return;
  }
  for (const QByteArray& frame : std::exchange(pending_, {})) port_.write(frame);
  port_.flush();
}

void SerialWidgetPort::onReadyRead() {
  // Bytes that arrive while a receiver runs an event loop (a dialog) raise no second readyRead:
  // they are taken here once the receiver returns.
  while (port_.isOpen() && port_.bytesAvailable() > 0) {
    const QByteArray data = port_.readAll();
    deliver(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())));
  }
}

namespace {
// The far end of the descriptor has hung up (a pseudo-terminal's master closed, a USB device
// unplugged): it reads as end-of-file or an error for good and is never going to carry data again.
bool hungUp(int fd) {
  if (fd < 0) return false;
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}
}  // namespace

void SerialWidgetPort::onError(QSerialPort::SerialPortError error) {
  if (error == QSerialPort::NoError) return;
  // A read that ends the stream is reported with whatever system error came last (a read error, or
  // even "Resource temporarily unavailable"), and the hung-up descriptor keeps reading as ready:
  // the device is gone, and closing the port is the only way to stop watching it.
  const bool gone = port_.isOpen() && hungUp(int(port_.handle()));
  // A full output queue is reported as an error too ("Resource temporarily unavailable"): the bytes
  // stay buffered and go out once the device takes them, and the device is still there.
  static const QString wouldBlock = QString::fromLocal8Bit(std::strerror(EAGAIN));
  if (!gone && (error == QSerialPort::WriteError || error == QSerialPort::ResourceError) &&
      port_.errorString() == wouldBlock) {
    port_.clearError();
    // The port does not try again by itself after such a write: push the rest out shortly, not only
    // when the next frame comes (a console that sends nothing more would keep it waiting for good).
    drainTimer_.start();
    return;
  }
  if (gone || error == QSerialPort::ResourceError || error == QSerialPort::WriteError) {
    failed_ = true;
    if (port_.isOpen()) port_.close();
  }
}
