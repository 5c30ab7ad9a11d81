#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The serial ports the console knows, as device paths: what the system enumerates, in its order,
// plus the configured port when it names a device that exists but is not enumerated (a
// pseudo-terminal, or a link to a port).
QStringList systemSerialPorts(const QString& configuredPort);

// Gives the port list for a configured port; injectable so tests list the ports they made.
using SerialPortLister = std::function<QStringList(const QString& configuredPort)>;
