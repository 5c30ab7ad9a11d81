#pragma once

// The console's end of the web remote's pipe: a local server (named "vqlighting" in the console)
// that exists from start-up but listens only while the web remote is started. Every connection
// delivers UTF-16LE messages ended by CR LF; nothing is ever written back.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Clock;
class QLocalServer;
class QLocalSocket;

class RemotePipeServer : public QObject {
  Q_OBJECT
 public:
  struct Handlers {
    std::function<void(quintptr handle)> connected;
    std::function<void(quintptr handle)> disconnected;
    // A message without its CR LF, and the connection it came from (called from its read handler).
    std::function<void(const QString& message, QObject* connection)> message;
    // A message discarded as too long (its first characters); a flooding client is disconnected.
    std::function<void(const QString& head)> overlong;
    // While this says so for a connection, its messages wait in its reader (resumeReading()).
    std::function<bool(QObject* connection)> holdMessages;
  };

  // `clock`: what its readers time silence on (the web remote always ends its messages, so they
  // never need to).
  RemotePipeServer(const QString& name, Clock& clock, Handlers handlers, QObject* parent = nullptr);
  ~RemotePipeServer() override;

  // Starts or stops listening; stopping also drops the connected clients. False when listening
  // could not start (errorString says why).
  bool setActive(bool active);
  bool isActive() const;
  QString name() const { return name_; }
  QString errorString() const;
  int connectionCount() const { return int(connections_.size()); }
  // Messages held back by holdMessages are handed on again.
  void resumeReading();

 private:
  struct Connection {
    QLocalSocket* socket;
    quintptr handle;
  };
  void acceptPending();
  void drop(QLocalSocket* socket);

  QString name_;
  Clock& clock_;
  Handlers handlers_;
  std::unique_ptr<QLocalServer> server_;
  std::vector<Connection> connections_;
};
