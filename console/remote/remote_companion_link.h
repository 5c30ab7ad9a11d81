#pragma once

// The TCP client link to the companion show-control program. It connects on request only (no
// automatic reconnection), reads CR/LF-ended commands from the companion and sends it replies and
// the messages of TCP cues.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class Clock;
class QTcpSocket;

class RemoteCompanionLink : public QObject {
  Q_OBJECT
 public:
  // The result codes of a connection attempt.
  static constexpr int kConnected = 0;
  static constexpr int kRefused = 10061;
  static constexpr int kOtherFailure = -1;

  struct Handlers {
    std::function<void(int code)> sessionConnected;  // kConnected, kRefused or kOtherFailure
    std::function<void()> sessionClosed;
    std::function<void(const QString& error)> error;  // an error on an established link
    // A line and the connection it came from (called from the socket's read handler).
    std::function<void(const QString& message, QObject* connection)> message;
    // A line discarded as too long (its first characters); a flooding companion is disconnected.
    std::function<void(const QString& head)> overlong;
    // While this says so for the connection, its lines wait in its reader (resumeReading()).
    std::function<bool(QObject* connection)> holdMessages;
  };

  // `clock`: what the companion's silence (idleFlushMs) is timed on.
  RemoteCompanionLink(int idleFlushMs, Clock& clock, Handlers handlers, QObject* parent = nullptr);
  ~RemoteCompanionLink() override;

  // Starts connecting (asynchronous); the outcome arrives through sessionConnected.
  void connectTo(const QString& host, quint16 port);
  void close();
  bool isConnected() const;
  bool send(const QByteArray& bytes);
  // Lines held back by holdMessages are handed on again.
  void resumeReading();

 private:
  void newSocket();

  int idleFlushMs_;
  Clock& clock_;
  Handlers handlers_;
  std::unique_ptr<QTcpSocket> socket_;
  bool established_ = false;  // the current socket got connected (errors after that are link errors)
};

// The machine's own address, used in place of a companion address of exactly "127.0.0.1": the
// first IPv4 address that is not a loop-back address, or "127.0.0.1" when there is none.
QString ownAddressFrom(const QList<QHostAddress>& addresses);
QString machineOwnAddress();  // over the addresses of this machine's interfaces
