#pragma once

// The console's remote side: the remote command server, the follow-spot server, the companion
// link and the web remote's pipe, all feeding one command interpreter, plus the replies, the reply
// file and the follow-spot cue messages. It reaches the main window only through RemoteHost.
//
// Replies ("done", "read" + level, error replies) go to the first (oldest) client of the remote
// command server and to the companion program when it is connected; never to other clients nor to
// the pipe. Every client of the two servers is greeted with "Connected" CR LF.
//
// The status icons of the main window follow the signals: `vqlremote` (a remote client or a web
// remote pipe is connected), `fsconn` (a follow-spot client is connected), `netconn` (the
// companion link is up).
//
// Every command and every dialog raised by a socket goes through the remote dispatcher: it runs
// from the event loop, one at a time in arrival order, after any open question. Dialogs are put to
// the operator handed in; nothing here opens a window.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "console/remote/input_dialogs.h"
#include "console/remote/remote_commands.h"

class Clock;
using RemoteClock = Clock;
class Operator;
class RemoteCompanionLink;
class RemoteDispatcher;
class RemoteHost;
class RemotePipeServer;
class RemoteReplyFile;
class RemoteTcpServer;
struct MessageSpec;

struct RemoteSettings {
  QHostAddress listenAddress = QHostAddress::Any;  // both servers
  quint16 remotePort = 5200;                       // remote command server
  quint16 followSpotPort = 5205;                   // [Settings] FSPort
  QString pipeName = QStringLiteral("vqlighting");
  QString peerAddress = QStringLiteral("127.0.0.1");  // [Settings] VqPaddr
  quint16 netPort = 5085;                             // [Settings] NetPort
  int idleFlushMs = 100;        // text without a line end is a command after this much silence
  int connectTimeoutMs = 2000;  // net_connect's wait
  QString replyFolder;          // where "read.txt" goes; empty: the current directory
  // The machine's own address, used when peerAddress is exactly "127.0.0.1".
  std::function<QString()> ownAddress;
};

class RemoteControl : public QObject, private RemoteReplies {
  Q_OBJECT
 public:
  // `clock` may be null: the real clock and pumped waits are used.
  RemoteControl(RemoteHost& host, Operator& op, RemoteSettings settings, RemoteClock* clock = nullptr,
                QObject* parent = nullptr);
  ~RemoteControl() override;

  // Start-up: both servers listen ("Waiting for Vq clients...", "Waiting for IP clients..." in the
  // tool log); a failure shows "Network Problem" / "Unable to set listening for remote clients.".
  bool startServers();
  // Shut-down: the servers stop listening and the pipe server becomes inactive. False when one of
  // them is still listening afterwards.
  bool stopServers();
  // The companion program's address and port for the next connection (the preferences' Exit).
  void setCompanionPeer(const QString& address, quint16 port) {
    settings_.peerAddress = address;
    settings_.netPort = port;
  }
  // Shut-down: "close" CR LF to the first follow-spot client while one is connected.
  bool sendFollowSpotClose();

  // "Start Web Remote": the pipe server listens (and replies reach "read.txt") only while active.
  bool setWebRemoteActive(bool active);
  bool webRemoteActive() const;
  // Where "read.txt" is written; empty: the current directory at the time of writing.
  void setReplyFolder(const QString& folder);

  // The interpreter and the reply sender.
  void ProcessMsg(const QString& message);
  void ParseMsg(const QString& message);
  void senderror(const QString& reply) override;

  // End of a cue: "done" to the remotes and, while the web remote is started, to the reply file.
  void replyDone();
  // A TCP cue (kind 4): the text (the cue's message and CR LF) to the companion program, as
  // Windows-1252, when the link is up. True when sent.
  bool sendToCompanion(const QString& text);
  // The unrecorded-changes prompt while RemoteEdited is set: "save" CR LF to the first remote client
  // instead of asking. True when a client was there to ask (the caller then clears RemoteEdited).
  bool sendSaveRequest();
  QString ReplyText() const;
  const RemoteReplyFile& replyFile() const { return *replyFile_; }

  // The follow-spot cue message of the current cue to the first follow-spot client; without a
  // client a warning dialog.
  void SendFScue();
  // The inspection tool's test line: bytes to the first follow-spot client (nothing without one).
  bool sendToFollowSpot(const QByteArray& bytes);

  // The companion link: toggle (tool button and menu), and the connect with its wait.
  void btnConnectClick();
  void net_connect();
  bool PeerConnected() const { return peerConnected_; }
  bool btnConnectEnabled() const { return connectEnabled_; }

  bool vqlremoteShown() const { return vqlremote_; }
  bool fsconnShown() const { return fsconn_; }
  bool netconnShown() const { return peerConnected_; }

  // The one dispatcher of remote commands (also for OSC and MIDI).
  RemoteDispatcher& dispatcher() { return *dispatcher_; }

  // The ports actually listened on (the configured ones until then).
  quint16 remotePort() const;
  quint16 followSpotPort() const;
  int remoteClientCount() const;
  int followSpotClientCount() const;

 signals:
  void vqlremoteChanged(bool shown);  // hint "Connected to Remote"
  void fsconnChanged(bool shown);     // hint "Connected to Follow Spot display"
  void netconnChanged(bool shown);    // hint "Connected to Stagora"; also PeerConnected
  void btnConnectEnabledChanged(bool enabled);
  // The companion connection is being waited for (the window shows the busy cursor meanwhile).
  void connectingChanged(bool connecting);

 private:
  // RemoteReplies
  bool remoteClientConnected() const override;
  void postWebReply(const QString& text) override;

  // Events of the transports. The read events run from the dispatcher; `arrival` numbers the input
  // for the dialogs it may raise.
  void RemoteServerClientConnected(const QHostAddress& peer);
  void RemoteServerClientDisconnected();
  void RemoteServerClientRead(const QString& text, quint64 arrival);
  void RemoteServerError(const QString& error);
  void TCPServer1ClientConnected(const QHostAddress& peer);
  void TCPServer1ClientDataAvailable(const QString& text);
  void TCPServer1ClientDisconnected();
  void TCPServer1Error(const QString& error);
  void TCPClient1DataAvailable(const QString& text);
  void TCPClient1SessionConnected(int code);
  void TCPClient1SessionClosed();
  void TCPClient1Error(const QString& error);
  void PipeServer1PipeConnect(quintptr handle);
  void PipeServer1PipeDisconnect(quintptr handle);
  void PipeServer1PipeMessage(const QString& text);

  void trace(const QString& line);
  // A message from a transport: run from the dispatcher.
  void received(QObject* connection, std::function<void(quint64 arrival)> handle);
  // A socket event that raises a dialog: the dialog is asked from the dispatcher.
  void raisedBySocket(std::function<void()> handle);
  bool holdMessages(QObject* connection) const;
  // A message discarded as too long: logged, and answered where the transport takes replies.
  void lineTooLong(const QString& from, const QString& head, bool reply);
  // A dialog raised by network input: see InputDialogs.
  void showDialog(const char* kind, const MessageSpec& spec, quint64 arrival = 0);
  void updateIcons();
  void setPeerConnected(bool connected);
  void setConnectEnabled(bool enabled);

  RemoteHost& host_;
  std::unique_ptr<RemoteDispatcher> dispatcher_;
  InputDialogs dialogs_;
  RemoteSettings settings_;
  std::unique_ptr<RemoteClock> ownClock_;
  RemoteClock& clock_;
  RemoteCommands commands_;
  std::unique_ptr<RemoteReplyFile> replyFile_;
  std::unique_ptr<RemoteTcpServer> remoteServer_;      // RemoteServer
  std::unique_ptr<RemoteTcpServer> followSpotServer_;  // TCPServer1
  std::unique_ptr<RemoteCompanionLink> companion_;     // TCPClient1
  std::unique_ptr<RemotePipeServer> pipe_;             // pipeserver1
  quint64 socketArrival_ = 0;                          // the arrival number of the socket event being handled
  bool peerConnected_ = false;
  bool connectEnabled_ = true;
  bool connecting_ = false;
  bool vqlremote_ = false;
  bool fsconn_ = false;
};
