#pragma once

// Message framing for the remote transports. TCP and local sockets are byte streams: a read may
// hold several messages, part of one, or end inside a UTF-16 character. A framer turns the reads
// into whole messages; a stream reader feeds it from a socket and hands the messages on one after
// the other.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

#include "platform/clock.h"

class QIODevice;

// What a peer may send is bounded: a message longer than kMaxMessage characters is discarded (up to
// its end) and reported once by its first kQuoted characters; a peer that sends more than
// kMaxUnended bytes without ending the message is flooding, and its stream is closed.
class RemoteFramer {
 public:
  static constexpr qsizetype kMaxMessage = 4096;
  static constexpr qsizetype kMaxUnended = 256 * 1024;
  static constexpr qsizetype kQuoted = 80;

  virtual ~RemoteFramer() = default;
  // Takes the bytes of one read; returns the messages they complete, in order.
  virtual QStringList feed(const QByteArray& bytes) = 0;
  // Takes what is left without an end as one message (nothing more arrived); empty when none.
  virtual QString flush() = 0;
  virtual bool hasPending() const = 0;

  // The beginnings of the messages discarded as too long since the last call.
  QStringList takeOverlong() { return std::exchange(overlong_, {}); }
  bool flooded() const { return discarded_ > kMaxUnended; }

 protected:
  // Starts discarding a message that grew too long; `head` is its beginning.
  void beginDiscard(const QString& head, qsizetype bytes) {
    discarding_ = true;
    discarded_ = bytes;
    overlong_ << head.left(kQuoted);
  }
  void endDiscard() {
    discarding_ = false;
    discarded_ = 0;
  }
  bool discarding_ = false;
  qsizetype discarded_ = 0;
  QStringList overlong_;
};

// Text commands over TCP: Windows-1252 lines ended by CR, LF or CR LF. Empty lines are dropped.
class AnsiLineFramer : public RemoteFramer {
 public:
  QStringList feed(const QByteArray& bytes) override;
  QString flush() override;
  bool hasPending() const override { return !pending_.isEmpty(); }

 private:
  QByteArray pending_;
  bool afterCr_ = false;  // an LF right after a CR belongs to the same line end
};

// UTF-16LE text whose reads may end inside a character: keeps the odd byte for the next read.
class Utf16Decoder {
 public:
  QString feed(const QByteArray& bytes);
  bool hasOddByte() const { return hasOdd_; }
  void clear() { hasOdd_ = false; }

 private:
  bool hasOdd_ = false;
  char odd_ = 0;
};

// The web remote's pipe messages: UTF-16LE text ended by CR LF; the message is the text before it.
// Empty messages are dropped.
class Utf16LineFramer : public RemoteFramer {
 public:
  QStringList feed(const QByteArray& bytes) override;
  QString flush() override;
  bool hasPending() const override { return !pending_.isEmpty() || decoder_.hasOddByte(); }

 private:
  Utf16Decoder decoder_;
  QString pending_;
};

// The follow-spot prompter's input: UTF-16LE commands separated by the record separator. Each read
// gives at most one message: everything up to and including its last separator, for ParseMsg to
// split; the text after it waits for the next read. A NUL ends the read's text: the message is
// everything before it, and the rest of that read is dropped.
class Utf16RecordFramer : public RemoteFramer {
 public:
  QStringList feed(const QByteArray& bytes) override;
  QString flush() override;
  bool hasPending() const override { return !pending_.isEmpty() || decoder_.hasOddByte(); }

 private:
  Utf16Decoder decoder_;
  QString pending_;
};

// Reads a socket through a framer and hands each message to `handler`, strictly in arrival order:
// a message that arrives while the handler is still busy (it may pump events) waits its turn. Text
// without an end is taken as a message once nothing more arrives for `idleFlushMs` (never when
// negative; the silence is timed on `clock`) and when the socket closes. The handler is meant to queue the
// message (for the remote dispatcher), not to run it: it is called from the socket's read handler.
class RemoteStreamReader : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<void(const QString&)>;
  RemoteStreamReader(QIODevice* device, std::unique_ptr<RemoteFramer> framer, int idleFlushMs, Clock& clock,
                     Handler handler, QObject* parent = nullptr);

  // Called with the beginning of each message discarded as too long. A flooding peer's device is
  // closed (after `flooded`, when set, has been called).
  void setOverlongHandler(Handler h) { overlong_ = std::move(h); }
  void setFloodHandler(std::function<void()> h) { flooded_ = std::move(h); }

  // Messages waiting for the handler are limited; beyond this the device is not read until they
  // have been handled (the transport's own read buffer limit then holds the peer back).
  static constexpr std::size_t kMaxQueued = 256;

  // While `hold` says so, messages stay here, and once kMaxQueued wait the device is not read (the
  // peer is held back; nothing is dropped). resume() hands them on again.
  void setHoldWhile(std::function<bool()> hold) { hold_ = std::move(hold); }
  void resume() { drain(); }

  // The socket is closing: what is left goes out now, whatever the hold says.
  void finish();

 private:
  void readAvailable();
  bool pull();  // reads what the device holds into the queue; false when it held nothing
  void flushIdle();
  void drain();

  QPointer<QIODevice> device_;
  std::unique_ptr<RemoteFramer> framer_;
  int idleFlushMs_;
  Handler handler_;
  Handler overlong_;
  std::function<void()> flooded_;
  std::function<bool()> hold_;
  bool finishing_ = false;
  ClockTimer idle_;
  std::deque<QString> queue_;
  bool busy_ = false;
};
