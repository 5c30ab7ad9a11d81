#include "platform/processes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>

#include "platform/program_folder.h"

bool startProgram(const QString& name, const QStringList& arguments) {
  const QString path = findFileNoCase(programFolder(), name);
  return QProcess::startDetached(path, arguments);
}

QString windowEndpointName(const QString& caption) {
  // Captions may hold any character; the socket name must not.
  return "vqwin-" +
         QString::fromLatin1(QCryptographicHash::hash(caption.toUtf8(), QCryptographicHash::Md5).toHex());
}

namespace {
bool sendToEndpoint(const QString& caption, const QByteArray& line) {
  QLocalSocket socket;
  socket.connectToServer(windowEndpointName(caption));
  if (!socket.waitForConnected(500)) return false;
  if (!line.isEmpty()) {
    socket.write(line);
    socket.waitForBytesWritten(500);
  }
  socket.disconnectFromServer();
  return true;
}
}  // namespace

bool windowExists(const QString& caption) { return sendToEndpoint(caption, {}); }

bool postCloseWindow(const QString& caption) { return sendToEndpoint(caption, "close\n"); }

WindowEndpoint::WindowEndpoint(const QString& caption, std::function<void()> onClose, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), onClose_(std::move(onClose)) {
  const QString name = windowEndpointName(caption);
  if (!server_->listen(name)) {
    // A socket left behind by a process that is gone blocks the name; a live one answers.
    if (!windowExists(caption)) {
      QLocalServer::removeServer(name);
      server_->listen(name);
    }
  }
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
      connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      connect(s, &QLocalSocket::readyRead, this, [this, s] {
        while (s->canReadLine())
          if (s->readLine().trimmed() == "close" && onClose_) onClose_();
      });
    }
  });
}

WindowEndpoint::~WindowEndpoint() { server_->close(); }

bool WindowEndpoint::listening() const { return server_->isListening(); }
