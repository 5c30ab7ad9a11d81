#include "webremote/remote_http_server.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace {
HttpResponse noStore(HttpResponse response) {
  response.setHeader("Cache-Control", "no-store");
  return response;
}

HttpResponse json(const QJsonObject& object, int status = 200) {
  HttpResponse response;
  response.status = status;
  response.contentType = "application/json";
  response.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
  return noStore(std::move(response));
}

HttpResponse status(int code) {
  HttpResponse response;
  response.status = code;
  return response;
}

HttpResponse gone() { return json(QJsonObject{{"expired", true}}, 410); }
}  // namespace

RemoteHttpServer::RemoteHttpServer(RemoteServerSettings settings, Clock& clock, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      sessions_(settings_.sessions, [&clock] { return clock.nowMs(); }),
      http_(settings_.http, clock, [this](const HttpRequest& request) { return handle(request); }),
      expiry_(clock) {
  connect(&expiry_, &ClockTimer::timeout, this, [this] { sessions_.expire(); });
  expiry_.start(settings_.expiryCheckMs);
}

RemoteHttpServer::~RemoteHttpServer() = default;

quint16 RemoteHttpServer::listen() {
  port_ = http_.listen(settings_.address, settings_.port);
  return port_;
}

HttpResponse RemoteHttpServer::handle(const HttpRequest& request) {
  if (request.method == "GET" && request.path == "/") return servePage(request);
  if (request.method == "GET" && request.path == "/state") {
    RemoteSession* session = sessionOf(request);
    if (!session) return gone();
    return json(stateJson(session->page()));
  }
  if (request.method == "POST" && request.path == "/event") return handleEvent(request);
  return status(404);
}

RemoteSession* RemoteHttpServer::sessionOf(const HttpRequest& request) {
  const QByteArray id = request.cookie(kCookieName);
  return id.isEmpty() ? nullptr : sessions_.find(id);
}

HttpResponse RemoteHttpServer::servePage(const HttpRequest& request) {
  RemoteSession* session = sessionOf(request);
  bool created = false;
  if (!session) {
    session = sessions_.create(request.peer);
    if (!session) {
      HttpResponse busy = status(503);
      busy.contentType = "text/plain; charset=utf-8";
      busy.body = "The remote is in use. Try again later.\n";
      return noStore(std::move(busy));
    }
    created = true;
  }
  HttpResponse response;
  response.contentType = "text/html; charset=utf-8";
  response.body = pageHtml();
  if (created)
    response.setHeader("Set-Cookie",
                       kCookieName + '=' + session->id() + "; Path=/; HttpOnly; SameSite=Strict");
  return noStore(std::move(response));
}

HttpResponse RemoteHttpServer::handleEvent(const HttpRequest& request) {
  RemoteSession* session = sessionOf(request);
  if (!session) return gone();
  // Only the page's own script posts events, and always as JSON: a form from another site can
  // neither send this type without the browser asking first nor carry the session's cookie.
  if (!request.header("Content-Type").startsWith("application/json")) return status(415);
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(request.body, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return status(400);
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
  if (!control.isEmpty() && !page.dispatch(control, event.value("RetValue").toString())) return status(400);
  return json(stateJson(page));
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
