#pragma once

// The OSC listener: a UDP socket on the main thread whose datagrams go to OscInput one by one, in
// arrival order. Datagrams are also taken in while an earlier one is still being handled (a dialog
// or a wait lets events run), so sound-to-light levels keep flowing behind an open dialog.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <deque>
#include <memory>

class OscInput;
class QUdpSocket;

class OscListener : public QObject {
  Q_OBJECT
 public:
  explicit OscListener(OscInput& input, QObject* parent = nullptr);
  ~OscListener() override;

  // Binds the port (0: any free port) on the given local address, exclusively, and starts taking
  // datagrams. False when it cannot be bound (port taken, out of range, no such address); the
  // listener is then inactive.
  bool Activate(int port, const QHostAddress& address = QHostAddress::Any);
  // Closes the socket; datagrams not yet handled are dropped.
  void Deactivate();
  bool isActive() const;
  // The bound port while active (the one chosen when 0 was asked for), else the last asked for.
  quint16 port() const;

  // Activate, and when that fails the warning "OSC Network problem" naming portText (the port as
  // the caller shows it: the setting at start-up, the field's text in the preferences). A port that
  // is no port number at all is reported as such and `defaultPort` is used instead.
  bool activateOrWarn(int port, const QString& portText, const QHostAddress& address = QHostAddress::Any,
                      int defaultPort = kDefaultPort);

  static constexpr int kDefaultPort = 4444;

  // Datagrams waiting to be handled are limited; beyond this, new ones are dropped.
  static constexpr std::size_t kMaxPendingDatagrams = 4096;

 private:
  void readPending();
  void drain();

  OscInput& input_;
  std::unique_ptr<QUdpSocket> socket_;
  quint16 port_ = 0;
  std::deque<std::pair<QByteArray, QHostAddress>> pending_;  // with their senders
  bool drainPosted_ = false;
};
