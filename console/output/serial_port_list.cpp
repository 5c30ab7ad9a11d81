#include "console/output/serial_port_list.h"

#include <QFileInfo>
#include <QSerialPortInfo>

QStringList systemSerialPorts(const QString& configuredPort) {
  QStringList ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) ports << info.systemLocation();
  if (!configuredPort.isEmpty() && !ports.contains(configuredPort) && QFileInfo::exists(configuredPort))
    ports << configuredPort;
  return ports;
}
