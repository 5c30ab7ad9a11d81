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
      if (discarding_)
        endDiscard();
      else if (!pending_.isEmpty())
        lines << fromWindows1252(pending_);
      pending_.clear();
    } else if (discarding_) {
      afterCr_ = false;
      ++discarded_;
    } else {
      afterCr_ = false;
      pending_.append(c);
      if (pending_.size() > kMaxMessage) {
        beginDiscard(fromWindows1252(pending_.left(kQuoted)), pending_.size());
        pending_.clear();
      }
    }
  }
  return lines;
}

QString AnsiLineFramer::flush() {
  endDiscard();
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
  for (;;) {
    const qsizetype end = pending_.indexOf(u"\r\n");
    if (end < 0) break;
    if (discarding_)
      endDiscard();
    else if (end > kMaxMessage)
      overlong_ << pending_.left(kQuoted);
    else if (end > 0)
      messages << pending_.left(end);
    pending_.remove(0, end + 2);
  }
  // Without an end: a message already too long is dropped now, keeping a CR that may begin the end.
  if (pending_.size() > kMaxMessage) {
    const qsizetype drop = pending_.endsWith(u'\r') ? pending_.size() - 1 : pending_.size();
    if (!discarding_)
      beginDiscard(pending_.left(kQuoted), 2 * drop);
    else
      discarded_ += 2 * drop;
    pending_.remove(0, drop);
  } else if (discarding_) {
    const qsizetype drop = pending_.endsWith(u'\r') ? pending_.size() - 1 : pending_.size();
    discarded_ += 2 * drop;
    pending_.remove(0, drop);
  }
  return messages;
}

QString Utf16LineFramer::flush() {
  decoder_.clear();
  if (discarding_) {
    endDiscard();
    pending_.clear();
  }
  return std::exchange(pending_, QString());
}

QStringList Utf16RecordFramer::feed(const QByteArray& bytes) {
  QString text = decoder_.feed(bytes);
  const QChar separator(kRecordSeparator);
  // A NUL ends the read's text: what follows it in the same read is not a command.
  const qsizetype nul = text.indexOf(QChar(0));
  const bool ended = nul >= 0;
  if (ended) {
    decoder_.clear();
    text.truncate(nul);
  }
  qsizetype first = 0;
  if (discarding_) {
    // The rest of a command that was too long runs to the next separator (or the read's end).
    const qsizetype end = text.indexOf(separator);
    if (end < 0) {
      discarded_ += 2 * text.size();
      if (ended) endDiscard();
      return {};
    }
    endDiscard();
    first = end + 1;
  }
  pending_ += QStringView(text).mid(first);
  // The message runs to the last separator, or to the NUL with everything before it.
  const qsizetype last = ended ? pending_.size() - 1 : pending_.lastIndexOf(separator);
  QStringList messages;
  if (last >= 0) {
    // Every command in the message is checked on its own; one that is too long is left out.
    QString message;
    qsizetype start = 0;
    while (start <= last) {
      qsizetype sep = pending_.indexOf(separator, start);
      if (sep < 0 || sep > last) sep = last + 1;
      if (sep - start > kMaxMessage)
        overlong_ << pending_.mid(start, kQuoted);
      else
        message += QStringView(pending_).mid(start, std::min(sep - start + 1, pending_.size() - start));
      start = sep + 1;
    }
    pending_.remove(0, last + 1);
    if (!message.isEmpty()) messages << message;
  }
  if (pending_.size() > kMaxMessage) {
    beginDiscard(pending_.left(kQuoted), 2 * pending_.size());
    pending_.clear();
  }
  return messages;
}

QString Utf16RecordFramer::flush() {
  decoder_.clear();
  endDiscard();
  return std::exchange(pending_, QString());
}

RemoteStreamReader::RemoteStreamReader(QIODevice* device, std::unique_ptr<RemoteFramer> framer,
                                       int idleFlushMs, Clock& clock, Handler handler, QObject* parent)
    : QObject(parent),
      device_(device),
      framer_(std::move(framer)),
      idleFlushMs_(idleFlushMs),
      handler_(std::move(handler)),
      idle_(clock) {
  idle_.setSingleShot(true);
  connect(&idle_, &ClockTimer::timeout, this, &RemoteStreamReader::flushIdle);
  connect(device, &QIODevice::readyRead, this, &RemoteStreamReader::readAvailable);
  // The last bytes a peer sent before closing can still be read when its stream ends.
  connect(device, &QIODevice::readChannelFinished, this, &RemoteStreamReader::readAvailable);
}

void RemoteStreamReader::readAvailable() {
  pull();
  drain();
}

bool RemoteStreamReader::pull() {
  bool readSome = false;
  // In pieces, so that a flood is seen (and stopped) before it is all in memory.
  while (queue_.size() < kMaxQueued && device_ && device_->isReadable() && device_->bytesAvailable() > 0) {
    const QByteArray bytes = device_->read(64 * 1024);
    if (bytes.isEmpty()) break;
    readSome = true;
    for (const QString& m : framer_->feed(bytes)) queue_.push_back(m);
    for (const QString& head : framer_->takeOverlong())
      if (overlong_) overlong_(head);
    if (framer_->flooded()) {
      idle_.stop();
      QPointer<RemoteStreamReader> self(this);
      if (flooded_) flooded_();
      if (!self) return false;
      if (device_) device_->close();
      return false;
    }
  }
  if (!readSome) return false;
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
  finishing_ = true;
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
  while ((finishing_ || !hold_ || !hold_()) && (!queue_.empty() || (pull() && !queue_.empty()))) {
    const QString message = queue_.front();
    queue_.pop_front();
    handler_(message);
    if (!self) return;
  }
  busy_ = false;
}
