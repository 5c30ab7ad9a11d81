#pragma once

// The web remote's end of the console's pipe "vqlighting": one local-socket connection per browser
// session. Each command goes to the console in one write as UTF-16LE text ended by CR LF, without a
// byte-order mark or a length; the console never writes back.

#include <QByteArray>
#include <QLocalSocket>
#include <QObject>
#include <QString>

class RemotePipeClient : public QObject {
  Q_OBJECT
 public:
  explicit RemotePipeClient(QString name, int connectTimeoutMs = 2000, QObject* parent = nullptr);
  ~RemotePipeClient() override;

  bool isConnected() const;
  // Connects, waiting up to the connect time; true when connected.
  bool connectPipe();
  // Writes `text` (already ended by CR LF) as one message; true when every byte reached the pipe.
  bool send(const QString& text);
  // Ends the connection without reporting it.
  void disconnectPipe();

  // The bytes of one message: UTF-16LE, two bytes per character.
  static QByteArray encode(const QString& text);

 signals:
  // The console ended the connection (its pipe server stopped or went away).
  void disconnected();

 private:
  QString name_;
  int connectTimeoutMs_;
  QLocalSocket socket_;
  bool closing_ = false;
};
