#include "console/output/serial_widget_port.h"

SerialWidgetPort::SerialWidgetPort(QObject* parent) : QObject(parent) {
  connect(&port_, &QSerialPort::readyRead, this, &SerialWidgetPort::onReadyRead);
  connect(&port_, &QSerialPort::errorOccurred, this, &SerialWidgetPort::onError);
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
  if (port_.isOpen()) port_.close();
}

bool SerialWidgetPort::isOpen() const { return port_.isOpen(); }

bool SerialWidgetPort::write(std::span<const uint8_t> bytes) {
  if (failed_ || !port_.isOpen()) return false;
  port_.clearError();
  const qint64 n = port_.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
  if (n != qint64(bytes.size())) return false;
  // Push the bytes out now so a vanished device shows up in this call, not later.
  port_.flush();
  return !failed_ && port_.isOpen();
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

void SerialWidgetPort::onError(QSerialPort::SerialPortError error) {
  if (error == QSerialPort::ResourceError || error == QSerialPort::WriteError) {
    failed_ = true;
    if (port_.isOpen()) port_.close();
  }
}
