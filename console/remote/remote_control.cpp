#include "console/remote/remote_control.h"

#include "console/remote/remote_clock.h"
#include "console/remote/remote_companion_link.h"
#include "console/remote/remote_dispatcher.h"
#include "console/remote/remote_host.h"
#include "console/remote/remote_pipe_server.h"
#include "console/remote/remote_reply_file.h"
#include "console/remote/remote_tcp_server.h"
#include "platform/operator.h"
#include "platform/record_file.h"

namespace {

// The commands are 8-bit text: what arrives as Unicode is taken as the ANSI text it would become.
QString asAnsi(const QString& text) { return fromWindows1252(toWindows1252(text)); }

}  // namespace

RemoteControl::RemoteControl(RemoteHost& host, Operator& op, RemoteSettings settings, RemoteClock* clock,
                             QObject* parent)
    : QObject(parent),
      host_(host),
      dispatcher_(std::make_unique<RemoteDispatcher>(op)),
      dialogs_(op, [this](const QString& line) { host_.writeLog(line); }),
      settings_(std::move(settings)),
      ownClock_(clock ? nullptr : std::make_unique<SystemRemoteClock>()),
      clock_(clock ? *clock : *ownClock_),
      commands_(host_, clock_, *this) {
  if (!settings_.ownAddress) settings_.ownAddress = machineOwnAddress;

  replyFile_ =
      std::make_unique<RemoteReplyFile>([this](const QString& error) { host_.reportError(error); }, clock_);
  replyFile_->setFolder(settings_.replyFolder);

  remoteServer_ = std::make_unique<RemoteTcpServer>(
      [] { return std::make_unique<AnsiLineFramer>(); }, settings_.idleFlushMs, clock_,
      RemoteTcpServer::Handlers{
          [this](const QHostAddress& peer) { RemoteServerClientConnected(peer); },
          [this] { RemoteServerClientDisconnected(); },
          [this](const QString& text, QObject* connection) {
            received(connection, [this, text](quint64 arrival) { RemoteServerClientRead(text, arrival); });
          },
          [this](const QString& error) { raisedBySocket([this, error] { RemoteServerError(error); }); },
          [this](const QString& head) {
            raisedBySocket([this, head] { lineTooLong("Remote", head, true); });
          },
          [this](QObject* connection) { return holdMessages(connection); },
      });

  followSpotServer_ = std::make_unique<RemoteTcpServer>(
      [] { return std::make_unique<Utf16RecordFramer>(); }, settings_.idleFlushMs, clock_,
      RemoteTcpServer::Handlers{
          [this](const QHostAddress& peer) { TCPServer1ClientConnected(peer); },
          [this] { TCPServer1ClientDisconnected(); },
          [this](const QString& text, QObject* connection) {
            received(connection, [this, text](quint64) { TCPServer1ClientDataAvailable(text); });
          },
          [this](const QString& error) { raisedBySocket([this, error] { TCPServer1Error(error); }); },
          [this](const QString& head) {
            raisedBySocket([this, head] { lineTooLong("FS video", head, false); });
          },
          // While a message's pieces are still due, the next messages wait in their readers.
          [this](QObject* connection) { return holdMessages(connection) || commands_.piecesDue(); },
      });

  // The pieces of a follow-spot message after the first are commands of their own.
  commands_.setQueue([this](std::function<void()> step) {
    dispatcher_->post([step = std::move(step)](QObject*) { step(); });
  });
  commands_.setPiecesDone([this] { followSpotServer_->resumeReading(); });

  companion_ = std::make_unique<RemoteCompanionLink>(
      settings_.idleFlushMs, clock_,
      RemoteCompanionLink::Handlers{
          [this](int code) { raisedBySocket([this, code] { TCPClient1SessionConnected(code); }); },
          [this] { TCPClient1SessionClosed(); },
          [this](const QString& error) { raisedBySocket([this, error] { TCPClient1Error(error); }); },
          [this](const QString& text, QObject* connection) {
            received(connection, [this, text](quint64) { TCPClient1DataAvailable(text); });
          },
          [this](const QString& head) { raisedBySocket([this, head] { lineTooLong("VqP", head, true); }); },
          [this](QObject* connection) { return holdMessages(connection); },
      });

  pipe_ = std::make_unique<RemotePipeServer>(
      settings_.pipeName, clock_,
      RemotePipeServer::Handlers{
          [this](quintptr h) { PipeServer1PipeConnect(h); },
          [this](quintptr h) { PipeServer1PipeDisconnect(h); },
          [this](const QString& text, QObject* connection) {
            received(connection, [this, text](quint64) { PipeServer1PipeMessage(text); });
          },
          [this](const QString& head) { raisedBySocket([this, head] { lineTooLong("Pipe", head, false); }); },
          [this](QObject* connection) { return holdMessages(connection); },
      });

  // A connection held back because too many of its commands were waiting reads on once some ran.
  connect(dispatcher_.get(), &RemoteDispatcher::roomAgain, this, [this] {
    remoteServer_->resumeReading();
    followSpotServer_->resumeReading();
    companion_->resumeReading();
    pipe_->resumeReading();
  });
}

RemoteControl::~RemoteControl() {
  // The transports go first, so that nothing they report on the way reaches a half-destroyed owner.
  pipe_.reset();
  companion_.reset();
  followSpotServer_.reset();
  remoteServer_.reset();
  dispatcher_.reset();
}

void RemoteControl::received(QObject* connection, std::function<void(quint64 arrival)> handle) {
  const quint64 arrival = dialogs_.arrived();
  dispatcher_->post(connection, [handle = std::move(handle), arrival](QObject*) { handle(arrival); });
}

void RemoteControl::raisedBySocket(std::function<void()> handle) {
  // Socket errors are input too: those that arrive while their dialog is open are only logged.
  const quint64 arrival = dialogs_.arrived();
  dispatcher_->post([this, handle = std::move(handle), arrival](QObject*) {
    socketArrival_ = arrival;
    handle();
    socketArrival_ = 0;
  });
}

bool RemoteControl::holdMessages(QObject* connection) const { return !dispatcher_->hasRoomFor(connection); }

void RemoteControl::trace(const QString& line) {
  if (host_.LogLevel() > 0) host_.toolLog(line);
}

void RemoteControl::lineTooLong(const QString& from, const QString& head, bool reply) {
  host_.toolLog("Line too long from " + from + ": " + quoted(head));
  if (host_.LogLevel() > 0) host_.writeLog("Line too long from " + from + ": " + quoted(head));
  if (reply) senderror(kLineTooLongReply + quoted(head));
}

void RemoteControl::showDialog(const char* kind, const MessageSpec& spec, quint64 arrival) {
  dialogs_.show(QString::fromLatin1(kind), spec, arrival ? arrival : socketArrival_);
}

void RemoteControl::updateIcons() {
  const bool remote = remoteServer_->clientCount() > 0 || pipe_->connectionCount() > 0;
  if (remote != vqlremote_) {
    vqlremote_ = remote;
    emit vqlremoteChanged(remote);
  }
  const bool fs = followSpotServer_->clientCount() > 0;
  if (fs != fsconn_) {
    fsconn_ = fs;
    emit fsconnChanged(fs);
  }
}

void RemoteControl::setPeerConnected(bool connected) {
  if (connected == peerConnected_) return;
  peerConnected_ = connected;
  emit netconnChanged(connected);
}

void RemoteControl::setConnectEnabled(bool enabled) {
  if (enabled == connectEnabled_) return;
  connectEnabled_ = enabled;
  emit btnConnectEnabledChanged(enabled);
}

// --- servers -------------------------------------------------------------------------------------

bool RemoteControl::startServers() {
  bool ok = true;
  if (followSpotServer_->listen(settings_.listenAddress, settings_.followSpotPort))
    host_.toolLog("Waiting for Vq clients...");
  else
    ok = false;
  if (remoteServer_->listen(settings_.listenAddress, settings_.remotePort))
    host_.toolLog("Waiting for IP clients...");
  else
    ok = false;
  if (!ok)
    showDialog("listen", messageSpec("Network Problem", "Unable to set listening for remote clients.",
                                     DialogIcon::Error, DialogButtons::Cancel));
  return ok;
}

bool RemoteControl::stopServers() {
  followSpotServer_->close();
  remoteServer_->close();
  setWebRemoteActive(false);
  return !followSpotServer_->isListening() && !remoteServer_->isListening() && !pipe_->isActive();
}

bool RemoteControl::sendFollowSpotClose() {
  return fsconn_ && followSpotServer_->sendToFirst(QByteArrayLiteral("close\r\n"));
}

bool RemoteControl::setWebRemoteActive(bool active) {
  const bool ok = pipe_->setActive(active);
  replyFile_->setEnabled(pipe_->isActive());
  updateIcons();
  return ok;
}

bool RemoteControl::webRemoteActive() const { return pipe_->isActive(); }

void RemoteControl::setReplyFolder(const QString& folder) { replyFile_->setFolder(folder); }

quint16 RemoteControl::remotePort() const {
  return remoteServer_->isListening() ? remoteServer_->serverPort() : settings_.remotePort;
}

quint16 RemoteControl::followSpotPort() const {
  return followSpotServer_->isListening() ? followSpotServer_->serverPort() : settings_.followSpotPort;
}

int RemoteControl::remoteClientCount() const { return remoteServer_->clientCount(); }

int RemoteControl::followSpotClientCount() const { return followSpotServer_->clientCount(); }

// --- commands and replies ------------------------------------------------------------------------

void RemoteControl::ProcessMsg(const QString& message) { commands_.ProcessMsg(message); }

void RemoteControl::ParseMsg(const QString& message) { commands_.ParseMsg(message); }

void RemoteControl::senderror(const QString& reply) {
  const QByteArray line = toWindows1252(reply) + "\r\n";
  remoteServer_->sendToFirst(line);
  if (peerConnected_) companion_->send(line);
}

bool RemoteControl::remoteClientConnected() const { return remoteServer_->clientCount() > 0; }

void RemoteControl::postWebReply(const QString& text) { replyFile_->post(text); }

QString RemoteControl::ReplyText() const { return replyFile_->ReplyText(); }

void RemoteControl::replyDone() {
  senderror("done");
  replyFile_->post("done");
}

bool RemoteControl::sendToCompanion(const QString& text) {
  return peerConnected_ && companion_->send(toWindows1252(text));
}

bool RemoteControl::sendSaveRequest() {
  if (remoteServer_->clientCount() == 0) return false;
  remoteServer_->sendToFirst(QByteArrayLiteral("save\r\n"));
  return true;
}

// --- remote command server -----------------------------------------------------------------------

void RemoteControl::RemoteServerClientConnected(const QHostAddress& peer) {
  trace("Connected to " + plainIpv4(peer).toString());
  host_.setToolSendCaption("Send");
  updateIcons();
  host_.setRemoteEdited(false);
}

void RemoteControl::RemoteServerClientDisconnected() {
  host_.toolLog("Disconnected");
  updateIcons();
}

void RemoteControl::RemoteServerClientRead(const QString& text, quint64 arrival) {
  if (text.startsWith(u"error"))
    showDialog("remote reports",
               messageSpec("Remote problem", "The Remote reports: " + quoted(text.mid(5)), DialogIcon::Error,
                           DialogButtons::Cancel),
               arrival);
  host_.toolLog("From Remote: " + quoted(text));
  commands_.ProcessMsg(text);
}

void RemoteControl::RemoteServerError(const QString& error) {
  showDialog("remote server",
             messageSpec("Network Problem", "Communications problem with Remote Control.\r\n" + error,
                         DialogIcon::Error, DialogButtons::Ok));
}

// --- follow-spot server --------------------------------------------------------------------------

void RemoteControl::TCPServer1ClientConnected(const QHostAddress& peer) {
  trace("Vq connected to " + QString::number(plainIpv4(peer).toIPv4Address()));
  host_.setToolSendCaption("Send");
  updateIcons();
}

void RemoteControl::TCPServer1ClientDataAvailable(const QString& text) {
  if (!text.isEmpty()) commands_.ParseMsg(asAnsi(text));
  host_.toolLog("From FS video: " + quoted(text.left(text.indexOf(QChar(kRecordSeparator)))));
}

void RemoteControl::TCPServer1ClientDisconnected() {
  host_.toolLog("Disconnected");
  updateIcons();
}

void RemoteControl::TCPServer1Error(const QString& error) {
  showDialog("follow-spot server",
             messageSpec("Network Communication", "Problem communicating with Vq Divuvaz. \n\r" + error,
                         DialogIcon::Error, DialogButtons::Ok));
}

void RemoteControl::SendFScue() {
  const int row = host_.CurrentCue();
  const bool valid = row >= 1 && row <= host_.CueCount();
  const QByteArray message = "cue" + QByteArray::number(valid ? host_.cueColour(row) : 0) + "|" +
                             (valid ? host_.cueDescription(row) : QByteArray()) + char(kRecordSeparator);
  if (!followSpotServer_->sendToFirst(message))
    showDialog("follow-spot send",
               messageSpec("Network Communication Problem",
                           "Could not communicate with the Follow Spot video.\r\nPlease check port " +
                               QString::number(followSpotPort()) + " is set.",
                           DialogIcon::Warning, DialogButtons::Ok));
}

bool RemoteControl::sendToFollowSpot(const QByteArray& bytes) {
  return followSpotServer_->sendToFirst(bytes);
}

// --- companion link ------------------------------------------------------------------------------

void RemoteControl::btnConnectClick() {
  if (connecting_) return;
  setConnectEnabled(false);
  if (peerConnected_) {
    companion_->close();
    setPeerConnected(false);
  } else {
    net_connect();
  }
  setConnectEnabled(true);
}

void RemoteControl::net_connect() {
  if (connecting_) return;
  connecting_ = true;
  emit connectingChanged(true);
  const QString port = QString::number(settings_.netPort);
  const QString address =
      settings_.peerAddress == u"127.0.0.1" ? settings_.ownAddress() : settings_.peerAddress;
  companion_->connectTo(address, settings_.netPort);
  const qint64 deadline = clock_.nowMs() + settings_.connectTimeoutMs;
  while (!peerConnected_ && clock_.nowMs() <= deadline && !applicationTerminating()) clock_.waitPumped(10);
  emit connectingChanged(false);
  if (!peerConnected_)
    showDialog("companion timeout",
               messageSpec("Network Problem", "Could not connect to Stagora Divuvaz on port " + port + "!",
                           DialogIcon::Error, DialogButtons::Ok));
  host_.focusCueList();
  connecting_ = false;
}

void RemoteControl::TCPClient1DataAvailable(const QString& text) {
  if (host_.LogLevel() > 0) host_.writeLog("VqP In " + quoted(text));
  commands_.ProcessMsg(text);
}

void RemoteControl::TCPClient1SessionConnected(int code) {
  if (code == RemoteCompanionLink::kConnected) {
    showDialog("companion connected", messageSpec("Remote Connection", "Connection to Stagora is active.",
                                                  DialogIcon::Information, DialogButtons::Ok));
    if (host_.LogLevel() > 0) host_.writeLog("VqP Connect");
    setPeerConnected(companion_->isConnected());
  } else if (code == RemoteCompanionLink::kRefused) {
    showDialog("companion refused", messageSpec("No Remote Connection", "Could not find Stagora to connect.",
                                                DialogIcon::Error, DialogButtons::Ok));
  }
}

void RemoteControl::TCPClient1SessionClosed() { setPeerConnected(false); }

void RemoteControl::TCPClient1Error(const QString&) {
  showDialog("companion error", messageSpec("Remote Connection", "Error in Connection to Stagora.",
                                            DialogIcon::Information, DialogButtons::Ok));
  if (host_.LogLevel() > 0) host_.writeLog("VqP Error");
  companion_->close();
  setPeerConnected(false);
}

// --- web remote pipe -----------------------------------------------------------------------------

void RemoteControl::PipeServer1PipeConnect(quintptr handle) {
  updateIcons();
  trace("Connected Pipe: " + QString::number(handle));
}

void RemoteControl::PipeServer1PipeDisconnect(quintptr handle) {
  updateIcons();
  trace("Disconnected Pipe: " + QString::number(handle));
}

void RemoteControl::PipeServer1PipeMessage(const QString& text) {
  trace("Rcvd: " + quoted(text));
  commands_.ProcessMsg(asAnsi(text));
}
