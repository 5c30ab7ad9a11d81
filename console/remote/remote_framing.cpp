#include "console/remote/remote_framing.h"

#include <QIODevice>
#include <utility>

#include "console/remote/remote_commands.h"
#include "platform/record_file.h"

QStringList AnsiLineFramer::feed(const QByteArray& bytes) {
  QStringList lines;
  for (const char c : bytes) {
    if (c == '\r' || c == '\n') {
      const bool secondHalf = c == '\n' && afterCr_;
      afterCr_ = c == '\r';
      if (secondHalf) continue;
      if (!pending_.isEmpty()) lines << fromWindows1252(pending_);
      pending_.clear();
    } else {
      afterCr_ = false;
      pending_.append(c);
    }
  }
  return lines;
}

QString AnsiLineFramer::flush() {
  const QString text = fromWindows1252(pending_);
  pending_.clear();
  return text;
}

QString Utf16Decoder::feed(const QByteArray& bytes) {
  QString text;
  text.reserve((bytes.size() + 1) / 2);
  qsizetype i = 0;
  if (hasOdd_ && !bytes.isEmpty()) {
    text.append(QChar(char16_t(uint8_t(odd_) | (uint8_t(bytes[0]) << 8))));
    hasOdd_ = false;
    i = 1;
  }
  for (; i + 1 < bytes.size(); i += 2)
    text.append(QChar(char16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8))));
  if (i < bytes.size()) {
    hasOdd_ = true;
    odd_ = bytes[i];
  }
  return text;
}

QStringList Utf16LineFramer::feed(const QByteArray& bytes) {
  pending_ += decoder_.feed(bytes);
  QStringList messages;
  for (qsizetype end = pending_.indexOf(u"\r\n"); end >= 0; end = pending_.indexOf(u"\r\n")) {
    if (end > 0) messages << pending_.left(end);
    pending_.remove(0, end + 2);
  }
  return messages;
}

QString Utf16LineFramer::flush() {
  decoder_.clear();
  return std::exchange(pending_, QString());
}

QStringList Utf16RecordFramer::feed(const QByteArray& bytes) {
  QString text = decoder_.feed(bytes);
  const qsizetype nul = text.indexOf(QChar(0));
  if (nul >= 0) {
    // The text of a read ends at its first NUL: what follows it in the same read is not a command.
    decoder_.clear();
    QString message = std::exchange(pending_, QString()) + text.left(nul);
    if (message.isEmpty()) return {};
    return {message};
  }
  pending_ += text;
  const qsizetype last = pending_.lastIndexOf(QChar(kRecordSeparator));
  if (last < 0) return {};
  const QString message = pending_.left(last + 1);
  pending_.remove(0, last + 1);
  return {message};
}

QString Utf16RecordFramer::flush() {
  decoder_.clear();
  return std::exchange(pending_, QString());
}

RemoteStreamReader::RemoteStreamReader(QIODevice* device, std::unique_ptr<RemoteFramer> framer,
                                       int idleFlushMs, Handler handler, QObject* parent)
    : QObject(parent),
      device_(device),
      framer_(std::move(framer)),
      idleFlushMs_(idleFlushMs),
      handler_(std::move(handler)) {
  idle_.setSingleShot(true);
  connect(&idle_, &QTimer::timeout, this, &RemoteStreamReader::flushIdle);
  connect(device, &QIODevice::readyRead, this, &RemoteStreamReader::readAvailable);
  // The last bytes a peer sent before closing can still be read when its stream ends.
  connect(device, &QIODevice::readChannelFinished, this, &RemoteStreamReader::readAvailable);
}

void RemoteStreamReader::readAvailable() {
  pull();
  drain();
}

bool RemoteStreamReader::pull() {
  if (!device_ || !device_->isReadable() || device_->bytesAvailable() <= 0) return false;
  const QByteArray bytes = device_->readAll();
  if (bytes.isEmpty()) return false;
  for (const QString& m : framer_->feed(bytes)) queue_.push_back(m);
  if (framer_->hasPending() && idleFlushMs_ >= 0)
    idle_.start(idleFlushMs_);
  else
    idle_.stop();
  return true;
}

void RemoteStreamReader::flushIdle() {
  const QString rest = framer_->flush();
  if (!rest.isEmpty()) queue_.push_back(rest);
  drain();
}

void RemoteStreamReader::finish() {
  pull();
  idle_.stop();
  if (idleFlushMs_ >= 0) {
    flushIdle();
  } else {
    framer_->flush();
    drain();
  }
}

void RemoteStreamReader::drain() {
  if (busy_) return;
  busy_ = true;
  QPointer<RemoteStreamReader> self(this);
  // A socket does not announce data again while its announcement is being handled, so what arrived
  // while a handler pumped events is collected here.
  while (!queue_.empty() || (pull() && !queue_.empty())) {
    const QString message = queue_.front();
    queue_.pop_front();
    handler_(message);
    if (!self) return;
  }
  busy_ = false;
}
