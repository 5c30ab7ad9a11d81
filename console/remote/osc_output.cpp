#include "console/remote/osc_output.h"

#include <QHostInfo>
#include <QUdpSocket>

OscBytes oscCueBundle(const QString& address, const QString& argument) {
  TOSCBundle bundle;
  auto message = std::make_unique<TOSCMessage>(address.toStdString());
  message->AddString(argument.toStdString());
  bundle.Add(std::move(message));
  return bundle.ToOSCBytes();
}

OscCueOutput::OscCueOutput() = default;

OscCueOutput::~OscCueOutput() = default;

void OscCueOutput::deactivate() {
  if (FUDPClient) FUDPClient->close();
  FUDPClient.reset();
  address_.clear();
  port_ = 0;
}

bool OscCueOutput::prepare(const QString& host, quint16 port) {
  deactivate();
  error_.clear();
  const QString name = host.trimmed();
  if (name.isEmpty()) {
    error_ = "no host";
    return false;
  }
  if (port == 0) {
    error_ = "no port";
    return false;
  }
  QHostAddress address(name);
  if (address.isNull()) {
    // A host name: resolved here, once per selection, so the send itself never waits.
    const QHostInfo info = QHostInfo::fromName(name);
    for (const QHostAddress& candidate : info.addresses()) {
      if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
        address = candidate;
        break;
      }
      if (address.isNull()) address = candidate;
    }
    if (address.isNull()) {
      error_ = info.errorString();
      return false;
    }
  }
  FUDPClient = std::make_unique<QUdpSocket>();
  address_ = address;
  port_ = port;
  return true;
}

bool OscCueOutput::SendOSCMessage(const QString& address, const QString& argument) {
  if (!isPrepared() || !FUDPClient) {
    error_ = "no destination prepared";
    return false;
  }
  const OscBytes bytes = oscCueBundle(address, argument);
  const qint64 sent = FUDPClient->writeDatagram(reinterpret_cast<const char*>(bytes.data()),
                                                qint64(bytes.size()), address_, port_);
  if (sent != qint64(bytes.size())) {
    error_ = FUDPClient->errorString();
    return false;
  }
  return true;
}
