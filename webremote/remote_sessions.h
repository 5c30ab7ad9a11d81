#pragma once

// The browser sessions of the remote: each has its own page and its own pipe connection, made with
// the session and closed when it ends, at the latest ten minutes after its last request. The
// number of sessions is bounded: a new one beyond the bound ends the one idle longest, unless even
// that one was used in the last minute; then the newcomer is refused. A flood of new sessions
// cannot end the operator's.

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "webremote/remote_page.h"
#include "webremote/remote_pipe_client.h"

struct RemoteSessionSettings {
  QString pipeName = QStringLiteral("vqlighting");
  QString replyFolder;  // empty: the current directory
  int pipeConnectTimeoutMs = 2000;
  qint64 sessionTimeoutMs = 10 * 60 * 1000;
  int maxSessions = 32;
  qint64 keepUsedWithinMs = 60 * 1000;  // a session used this recently is never ended for a newcomer
};

class RemoteSession {
 public:
  RemoteSession(QByteArray id, RemoteShared& shared, const RemoteSessionSettings& settings);
  ~RemoteSession();
  RemoteSession(const RemoteSession&) = delete;
  RemoteSession& operator=(const RemoteSession&) = delete;

  const QByteArray& id() const { return id_; }
  RemotePage& page() { return page_; }
  RemotePipeClient& pipe() { return pipe_; }
  qint64 lastRequestMs = 0;

 private:
  QByteArray id_;
  RemotePipeClient pipe_;
  RemotePage page_;
};

class RemoteSessions {
 public:
  // `nowMs`: the clock sessions age by (milliseconds; any origin).
  RemoteSessions(RemoteSessionSettings settings, std::function<qint64()> nowMs);
  ~RemoteSessions();

  // A new session: its page is created (and connects its pipe). Null when every place is taken by
  // a session used too recently to end.
  RemoteSession* create();
  // The live session with this id, its last request now; null when there is none.
  RemoteSession* find(const QByteArray& id);
  // Ends every session idle for the session timeout or longer.
  void expire();
  int count() const { return int(sessions_.size()); }
  RemoteShared& shared() { return shared_; }
  const RemoteSessionSettings& settings() const { return settings_; }

 private:
  RemoteSessionSettings settings_;
  std::function<qint64()> nowMs_;
  RemoteShared shared_;
  std::map<QByteArray, std::unique_ptr<RemoteSession>> sessions_;
};
