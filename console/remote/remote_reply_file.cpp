#include "console/remote/remote_reply_file.h"

#include <QDir>

#include "platform/atomic_file.h"
#include "platform/record_file.h"

RemoteReplyFile::RemoteReplyFile(std::function<void(const QString&)> onError, Clock& clock, QObject* parent)
    : QObject(parent), onError_(std::move(onError)), timer_(clock) {
  timer_.setSingleShot(true);
  timer_.setInterval(50);
  connect(&timer_, &ClockTimer::timeout, this, &RemoteReplyFile::writeNow);
}

QString RemoteReplyFile::filePath() const {
  return QDir(folder_.isEmpty() ? QDir::currentPath() : folder_).filePath(kFileName);
}

void RemoteReplyFile::post(const QString& text) {
  replyText_ = text;
  if (enabled_) timer_.start();
}

QByteArray RemoteReplyFile::contents(const QString& replyText) {
  return toWindows1252(replyText) + "\r\n\r\n";
}

void RemoteReplyFile::writeNow() {
  timer_.stop();
  const QString path = filePath();
  QString error;
  if (!writeFileAtomically(path, contents(replyText_), &error)) {
    if (onError_) onError_("Cannot write " + QDir::toNativeSeparators(path) + ": " + error);
  }
}
