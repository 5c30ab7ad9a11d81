#pragma once

// The web remote's answers: it cannot be answered on its pipe, so the last "done" or "read" reply
// (ReplyText) is written to "read.txt" 50 ms after it was given, while the web remote is started.
// The web remote polls for that file, reads its first line and deletes it.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

#include "platform/clock.h"

class RemoteReplyFile : public QObject {
  Q_OBJECT
 public:
  // `onError` receives the message of a failed write (the application-wide error handler). The
  // delay runs on `clock`.
  RemoteReplyFile(std::function<void(const QString&)> onError, Clock& clock, QObject* parent = nullptr);

  // The folder the file is written in; empty (the default) means the current directory at the time
  // of writing, which is the open show's folder.
  void setFolder(const QString& folder) { folder_ = folder; }
  QString filePath() const;
  void setDelayMs(int ms) { timer_.setInterval(ms); }

  // The web remote is started: replies reach the file.
  void setEnabled(bool enabled) { enabled_ = enabled; }
  bool isEnabled() const { return enabled_; }

  // A reply for the web remote: ReplyText := text, and the file is written after the delay while
  // the web remote is started.
  void post(const QString& text);
  QString ReplyText() const { return replyText_; }
  bool isArmed() const { return timer_.isActive(); }

  // The timer's work: writes ReplyText, CR LF and CR LF (Windows-1252) to the file. The file is
  // written beside it and renamed into place, so a reader never sees part of a reply.
  void writeNow();

  // The file's bytes for a reply.
  static QByteArray contents(const QString& replyText);
  inline static const QString kFileName = QStringLiteral("read.txt");

 private:
  std::function<void(const QString&)> onError_;
  QString folder_;
  QString replyText_;
  bool enabled_ = false;
  ClockTimer timer_;
};
