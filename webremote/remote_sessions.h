#pragma once

// The browser sessions of the remote: each has its own page and its own pipe connection, made with
// the session and closed when it ends, at the latest ten minutes after its last request. The
// number of sessions is bounded: a new one beyond the bound ends the one idle longest, unless even
// that one was used in the last minute; then the newcomer is refused. A flood of new sessions
// cannot end the operator's. One client address holds only a few of the places, so that a flood
// from one address, kept alive by polling, cannot fill the table: beyond its share a newcomer from
// that address ends that address's session idle longest on the same terms, or is refused.

#include <QByteArray>
#include <QHostAddress>
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
  int maxSessionsPerAddress = 4;
  qint64 keepUsedWithinMs = 60 * 1000;  // a session used this recently is never ended for a newcomer
};

class RemoteSession {
 public:
  RemoteSession(QByteArray id, RemoteShared& shared, const RemoteSessionSettings& settings);
  ~RemoteSession();
  RemoteSession(const RemoteSession&) = delete;
  RemoteSession& operator=(const RemoteSession&) = delete;

  const QByteArray& id() const { return id_; }
  QHostAddress peer;  // the address of the client that started it
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

  // A new session for a client at `peer`: its page is created (and connects its pipe). Null when
  // every place (or every place of that address) is taken by a session used too recently to end.
  RemoteSession* create(const QHostAddress& peer = QHostAddress());
  // The live session with this id, its last request now; null when there is none.
  RemoteSession* find(const QByteArray& id);
  // Ends every session idle for the session timeout or longer.
  void expire();
  int count() const { return int(sessions_.size()); }
  int countOf(const QHostAddress& peer) const;
  RemoteShared& shared() { return shared_; }
  const RemoteSessionSettings& settings() const { return settings_; }

 private:
  // Ends the session idle longest among those `among` accepts, unless it was used too recently;
  // false when none was ended.
  bool endIdlest(qint64 now, const std::function<bool(const RemoteSession&)>& among);

  RemoteSessionSettings settings_;
  std::function<qint64()> nowMs_;
  RemoteShared shared_;
  std::map<QByteArray, std::unique_ptr<RemoteSession>> sessions_;
};
