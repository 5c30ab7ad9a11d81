#include "webremote/remote_http_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace {
std::function<qint64()> monotonicClock() {
  auto timer = std::make_shared<QElapsedTimer>();
  timer->start();
  return [timer] { return timer->elapsed(); };
}

QByteArray headerValue(const QHttpServerRequest& request, const char* name) {
  for (const auto& [key, value] : request.headers())
    if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
  return {};
}

QByteArray cookieValue(const QHttpServerRequest& request, const QByteArray& name) {
  for (const auto& [key, value] : request.headers()) {
    if (key.compare("Cookie", Qt::CaseInsensitive) != 0) continue;
    for (const QByteArray& part : value.split(';')) {
      const QByteArray item = part.trimmed();
      if (item.startsWith(name + '=')) return item.mid(name.size() + 1);
    }
  }
  return {};
}

QHttpServerResponse noStore(QHttpServerResponse response) {
  response.setHeader("Cache-Control", "no-store");
  return response;
}

QHttpServerResponse gone() {
  return noStore(QHttpServerResponse(QJsonObject{{"expired", true}}, QHttpServerResponse::StatusCode::Gone));
}
}  // namespace

RemoteHttpServer::RemoteHttpServer(RemoteServerSettings settings, std::function<qint64()> nowMs,
                                   QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      sessions_(settings_.sessions, nowMs ? std::move(nowMs) : monotonicClock()) {
  http_.route("/", QHttpServerRequest::Method::Get, [this](const QHttpServerRequest& request) {
    RemoteSession* session = sessionOf(request);
    bool created = false;
    if (!session) {
      session = &sessions_.create();
      created = true;
    }
    QHttpServerResponse response("text/html; charset=utf-8", pageHtml());
    if (created)
      response.setHeader("Set-Cookie",
                         kCookieName + '=' + session->id() + "; Path=/; HttpOnly; SameSite=Strict");
    return noStore(std::move(response));
  });
  http_.route("/state", QHttpServerRequest::Method::Get, [this](const QHttpServerRequest& request) {
    RemoteSession* session = sessionOf(request);
    if (!session) return gone();
    return noStore(QHttpServerResponse(stateJson(session->page())));
  });
  http_.route("/event", QHttpServerRequest::Method::Post,
              [this](const QHttpServerRequest& request) { return handleEvent(request); });
  connect(&expiry_, &QTimer::timeout, this, [this] { sessions_.expire(); });
  expiry_.start(settings_.expiryCheckMs);
}

RemoteHttpServer::~RemoteHttpServer() = default;

quint16 RemoteHttpServer::listen() {
  port_ = http_.listen(settings_.address, settings_.port);
  return port_;
}

RemoteSession* RemoteHttpServer::sessionOf(const QHttpServerRequest& request) {
  const QByteArray id = cookieValue(request, kCookieName);
  return id.isEmpty() ? nullptr : sessions_.find(id);
}

QHttpServerResponse RemoteHttpServer::handleEvent(const QHttpServerRequest& request) {
  RemoteSession* session = sessionOf(request);
  if (!session) return gone();
  // Only the page's own script posts events, and always as JSON: a form from another site can
  // neither send this type without the browser asking first nor carry the session's cookie.
  if (!headerValue(request, "Content-Type").startsWith("application/json"))
    return QHttpServerResponse(QHttpServerResponse::StatusCode::UnsupportedMediaType);
  if (request.body().size() > kMaxEventBytes)
    return QHttpServerResponse(QHttpServerResponse::StatusCode::PayloadTooLarge);
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(request.body(), &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject())
    return QHttpServerResponse(QHttpServerResponse::StatusCode::BadRequest);
  const QJsonObject event = doc.object();
  RemotePage& page = session->page();
  auto text = [&event](const char* key, QString& out) {
    const QJsonValue v = event.value(QLatin1String(key));
    if (!v.isString()) return false;
    out = v.toString();
    return true;
  };
  QString commandLine, channel, level;
  const bool hasCommandLine = text("IWEdit1", commandLine);
  const bool hasChannel = text("chnl", channel);
  const bool hasLevel = text("level", level);
  page.setPostedTexts(hasCommandLine ? &commandLine : nullptr, hasChannel ? &channel : nullptr,
                      hasLevel ? &level : nullptr);
  const QString control = event.value("control").toString();
  if (!control.isEmpty() && !page.dispatch(control, event.value("RetValue").toString()))
    return QHttpServerResponse(QHttpServerResponse::StatusCode::BadRequest);
  return noStore(QHttpServerResponse(stateJson(page)));
}

QJsonObject RemoteHttpServer::stateJson(RemotePage& page) {
  RemotePageState& s = page.state();
  QJsonObject json{
      {"IWEdit1", s.IWEdit1},
      {"chnl", s.chnl},
      {"level", s.level},
      {"Memo1", QJsonArray::fromStringList(s.Memo1)},
      {"enabled", QJsonObject{{"btnSend", s.btnSend}, {"btnnext", s.btnnext}, {"btnback", s.btnback}}},
      {"timer", QJsonObject{{"enabled", s.timerEnabled}, {"interval", s.timerInterval}}},
      {"focus", s.focus},
  };
  if (s.confirmPending)
    json["confirm"] = QJsonObject{{"title", RemotePage::kConfirmTitle},
                                  {"text", RemotePage::kConfirmText},
                                  {"buttons", QJsonArray{"Yes", "No"}},
                                  {"callback", RemotePage::kConfirmCallback}};
  // The focus moves once.
  s.focus.clear();
  return json;
}

QByteArray RemoteHttpServer::pageHtml() {
  static const QByteArray html = [] {
    QFile f(":/webremote/remote_page.html");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  return html;
}
