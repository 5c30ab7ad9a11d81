#pragma once

// OSC cue output: when an OSC cue is selected its destination is prepared; when it runs, one
// bundle (time tag "immediately") holding one message, the cue's address with its text as the only
// string argument, goes to that destination as one UDP datagram.

#include <QHostAddress>
#include <QString>
#include <memory>

#include "console/remote/osc_codec.h"

class QUdpSocket;

// The datagram of an OSC cue.
OscBytes oscCueBundle(const QString& address, const QString& argument);

class OscCueOutput {
 public:
  OscCueOutput();
  ~OscCueOutput();

  // Cue selection of an OSC cue: forgets the previous destination, then resolves the host (an IP
  // address or a name) and takes the port. False (nothing prepared) when the host is empty or
  // cannot be resolved, or the port is 0; the caller shows "Missing/Improper Command".
  bool prepare(const QString& host, quint16 port);
  void deactivate();
  bool isPrepared() const { return !address_.isNull(); }
  QHostAddress destination() const { return address_; }
  quint16 port() const { return port_; }

  // Sends the OSC cue message to the prepared destination. False when nothing is prepared or the
  // datagram could not be sent.
  bool SendOSCMessage(const QString& address, const QString& argument);
  // Why the last prepare or send failed.
  const QString& lastError() const { return error_; }

 private:
  std::unique_ptr<QUdpSocket> FUDPClient;
  QHostAddress address_;
  quint16 port_ = 0;
  QString error_;
};
