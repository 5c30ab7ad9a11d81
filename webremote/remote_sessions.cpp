#include "webremote/remote_sessions.h"

#include <QRandomGenerator>
#include <algorithm>

RemoteSession::RemoteSession(QByteArray id, RemoteShared& shared, const RemoteSessionSettings& settings)
    : id_(std::move(id)),
      pipe_(settings.pipeName, settings.pipeConnectTimeoutMs),
      page_(shared, pipe_, settings.replyFolder) {
  QObject::connect(&pipe_, &RemotePipeClient::disconnected, &pipe_,
                   [this] { page_.PipeClient1PipeDisconnect(); });
  page_.IWAppFormCreate();
}

RemoteSession::~RemoteSession() { page_.IWAppFormDestroy(); }

RemoteSessions::RemoteSessions(RemoteSessionSettings settings, std::function<qint64()> nowMs)
    : settings_(std::move(settings)), nowMs_(std::move(nowMs)) {}

RemoteSessions::~RemoteSessions() = default;

int RemoteSessions::countOf(const QHostAddress& peer) const {
  return int(std::count_if(sessions_.begin(), sessions_.end(),
                           [&peer](const auto& entry) { return entry.second->peer == peer; }));
}

bool RemoteSessions::endIdlest(qint64 now, const std::function<bool(const RemoteSession&)>& among) {
  auto oldest = sessions_.end();
  for (auto it = sessions_.begin(); it != sessions_.end(); ++it)
    if (among(*it->second) &&
        (oldest == sessions_.end() || it->second->lastRequestMs < oldest->second->lastRequestMs))
      oldest = it;
  if (oldest == sessions_.end() || now - oldest->second->lastRequestMs < settings_.keepUsedWithinMs)
    return false;
  sessions_.erase(oldest);
  return true;
}

RemoteSession* RemoteSessions::create(const QHostAddress& peer) {
  const qint64 now = nowMs_();
  while (countOf(peer) >= std::max(settings_.maxSessionsPerAddress, 1))
    if (!endIdlest(now, [&peer](const RemoteSession& s) { return s.peer == peer; })) return nullptr;
  while (int(sessions_.size()) >= std::max(settings_.maxSessions, 1))
    if (!endIdlest(now, [](const RemoteSession&) { return true; })) return nullptr;
  QByteArray id;
  do {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    id = QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex();
  } while (sessions_.count(id));
  auto session = std::make_unique<RemoteSession>(id, shared_, settings_);
  session->lastRequestMs = now;
  session->peer = peer;
  RemoteSession* s = session.get();
  sessions_.emplace(id, std::move(session));
  return s;
}

RemoteSession* RemoteSessions::find(const QByteArray& id) {
  const auto it = sessions_.find(id);
  if (it == sessions_.end()) return nullptr;
  const qint64 now = nowMs_();
  if (now - it->second->lastRequestMs >= settings_.sessionTimeoutMs) {
    sessions_.erase(it);
    return nullptr;
  }
  it->second->lastRequestMs = now;
  return it->second.get();
}

void RemoteSessions::expire() {
  const qint64 now = nowMs_();
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    if (now - it->second->lastRequestMs >= settings_.sessionTimeoutMs)
      it = sessions_.erase(it);
    else
      ++it;
  }
}
