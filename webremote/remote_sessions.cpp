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

RemoteSession* RemoteSessions::create() {
  const qint64 now = nowMs_();
  while (!sessions_.empty() && int(sessions_.size()) >= std::max(settings_.maxSessions, 1)) {
    auto oldest = sessions_.begin();
    for (auto it = sessions_.begin(); it != sessions_.end(); ++it)
      if (it->second->lastRequestMs < oldest->second->lastRequestMs) oldest = it;
    if (now - oldest->second->lastRequestMs < settings_.keepUsedWithinMs) return nullptr;
    sessions_.erase(oldest);
  }
  QByteArray id;
  do {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    id = QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex();
  } while (sessions_.count(id));
  auto session = std::make_unique<RemoteSession>(id, shared_, settings_);
  session->lastRequestMs = now;
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
