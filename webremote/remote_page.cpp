#include "webremote/remote_page.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

#include "webremote/remote_pipe_client.h"

namespace {
// The console's reply file: absent, or its first line, after which the file is gone.
std::optional<QString> takeReplyLine(const QString& folder) {
  const QString path =
      QDir(folder.isEmpty() ? QDir::currentPath() : folder).filePath(RemotePage::kReplyFileName);
  if (!QFileInfo::exists(path)) return std::nullopt;
  QString line;
  {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      // A reply is a few characters; a longer first line is not one.
      const QByteArray head = file.read(4096);
      qsizetype end = head.size();
      for (qsizetype i = 0; i < head.size(); ++i)
        if (head[i] == '\r' || head[i] == '\n') {
          end = i;
          break;
        }
      line = QString::fromLatin1(head.left(end));
    }
  }
  QFile::remove(path);
  return line;
}

// A box's number; text that is not a number counts as 0.
int boxNumber(const QString& text, bool* ok = nullptr) {
  bool good = false;
  const int n = text.trimmed().toInt(&good);
  if (ok) *ok = good;
  return good ? n : 0;
}
}  // namespace

RemotePage::RemotePage(RemoteShared& shared, RemotePipeClient& pipe, QString replyFolder)
    : shared_(shared), pipe_(pipe), replyFolder_(std::move(replyFolder)) {}

QString RemotePage::cleanPosted(const QString& text, int maxLength) {
  QString clean;
  clean.reserve(qMin(text.size(), qsizetype(maxLength)));
  for (QChar c : text) {
    if (clean.size() >= maxLength) break;
    if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
      continue;
    clean += c;
  }
  return clean;
}

void RemotePage::setPostedTexts(const QString* commandLine, const QString* channel, const QString* level) {
  if (commandLine) state_.IWEdit1 = cleanPosted(*commandLine, kCommandLineMax);
  if (channel) state_.chnl = cleanPosted(*channel, kBoxMax);
  if (level) state_.level = cleanPosted(*level, kBoxMax);
}

bool RemotePage::dispatch(const QString& control, const QString& retValue) {
  if (control.size() == 4 && control.startsWith("btn") && control[3].isDigit()) {
    btnDigitClick(control[3].digitValue());
    return true;
  }
  struct Handler {
    const char* name;
    void (RemotePage::*handler)();
  };
  static const Handler handlers[] = {
      {"btndot", &RemotePage::btndotClick},       {"btnat", &RemotePage::btnatClick},
      {"btnPlay", &RemotePage::btnPlayClick},     {"btnSet", &RemotePage::btnSetClick},
      {"btnFull", &RemotePage::btnFullClick},     {"btnOut", &RemotePage::btnOutClick},
      {"btnplus10", &RemotePage::btnplus10Click}, {"btnminus10", &RemotePage::btnminus10Click},
      {"btnplus1", &RemotePage::btnplus1Click},   {"btnminus1", &RemotePage::btnminus1Click},
      {"btnRead", &RemotePage::btnReadClick},     {"btnRecord", &RemotePage::btnRecordClick},
      {"btnnext", &RemotePage::btnnextClick},     {"btnback", &RemotePage::btnbackClick},
      {"btnSend", &RemotePage::btnSendClick},     {"IWEdit1", &RemotePage::IWEdit1AsyncClick},
      {"chnl", &RemotePage::chnlAsyncClick},      {"IWTimer1", &RemotePage::IWTimer1Timer},
  };
  if (control == kConfirmCallback) {
    MyConfirmCallback(retValue);
    return true;
  }
  for (const Handler& h : handlers) {
    if (control != QLatin1String(h.name)) continue;
    // A disabled button cannot be clicked.
    const bool disabled = (control == "btnSend" && !state_.btnSend) ||
                          (control == "btnnext" && !state_.btnnext) ||
                          (control == "btnback" && !state_.btnback);
    if (!disabled) (this->*h.handler)();
    return true;
  }
  return false;
}

void RemotePage::IWAppFormCreate() { ConnectPipe(); }

void RemotePage::IWAppFormDestroy() { pipe_.disconnectPipe(); }

void RemotePage::insertMemo(const QString& line) {
  state_.Memo1.prepend(line);
  while (state_.Memo1.size() > kMemoLines) state_.Memo1.removeLast();
}

bool RemotePage::ConnectPipe() {
  const bool ok = pipe_.connectPipe();
  insertMemo(ok ? "Connected" : "Unable to Connect");
  return ok;
}

void RemotePage::SendMsg(const QString& text) {
  if (text.isEmpty()) return;
  if (!pipe_.isConnected()) ConnectPipe();
  const bool sent = pipe_.send(text + "\r\n");
  insertMemo(sent ? "Sent " + text : "Not Sent");
}

void RemotePage::checksave() { state_.confirmPending = true; }

void RemotePage::MyConfirmCallback(const QString& retValue) {
  // Only the answer to a question that was asked counts.
  if (!state_.confirmPending) return;
  state_.confirmPending = false;
  if (retValue.compare("True", Qt::CaseInsensitive) == 0) {
    btnRecordClick();
  } else {
    SendMsg("reset");
    shared_.unsaved = false;
  }
}

void RemotePage::Adjust() {
  if (state_.chnl.isEmpty() || shared_.updating) return;
  SendMsg("set " + state_.chnl + "@" + state_.level);
  shared_.unsaved = true;
}

void RemotePage::poll(int intervalMs) {
  state_.timerInterval = intervalMs;
  state_.timerEnabled = true;
  shared_.missCount = 0;
}

void RemotePage::setGoButtons(bool enabled) { state_.btnSend = state_.btnnext = state_.btnback = enabled; }

void RemotePage::btnDigitClick(int digit) {
  const QString d = QString::number(digit);
  if (!state_.IWEdit1.isEmpty()) {
    state_.IWEdit1 += d;
    return;
  }
  state_.chnl += d;
  bool ok = false;
  if (boxNumber(state_.chnl, &ok) > 512 && ok) state_.chnl = "512";
}

void RemotePage::btndotClick() {
  if (!state_.IWEdit1.isEmpty()) state_.IWEdit1 += '.';
}

void RemotePage::btnatClick() {
  if (!state_.IWEdit1.isEmpty()) state_.IWEdit1 += '@';
}

void RemotePage::btnPlayClick() {
  state_.IWEdit1 = state_.IWEdit1.isEmpty() || state_.IWEdit1.size() > 5 ? "Play " : "Play " + state_.IWEdit1;
}

void RemotePage::btnSetClick() {
  state_.IWEdit1 = state_.IWEdit1.isEmpty() || state_.IWEdit1.size() > 4 ? "Set " : "Set " + state_.IWEdit1;
}

void RemotePage::btnFullClick() {
  state_.level = "100";
  Adjust();
}

void RemotePage::btnOutClick() {
  state_.level = "0";
  Adjust();
}

void RemotePage::stepLevel(int delta) {
  const int v = qBound(0, boxNumber(state_.level) + delta, 100);
  state_.level = QString::number(v);
  Adjust();
}

void RemotePage::btnReadClick() {
  if (state_.chnl.isEmpty()) return;
  SendMsg("read " + state_.chnl);
  poll(100);
}

void RemotePage::btnRecordClick() {
  SendMsg("record");
  shared_.unsaved = false;
}

void RemotePage::goCommand(const QString& command) {
  if (shared_.unsaved) {
    checksave();
    return;
  }
  SendMsg(command);
  setGoButtons(false);
  poll(1000);
}

void RemotePage::btnnextClick() { goCommand("play next"); }

void RemotePage::btnbackClick() { goCommand("back"); }

void RemotePage::btnSendClick() {
  QString line = state_.IWEdit1;
  if (line.trimmed().isEmpty()) return;
  if (!line.toUpper().startsWith("SET") && line.contains('@')) line = "set " + line;
  const QString upper = line.toUpper();
  if (upper.startsWith("SET") && line.contains('@')) {
    const qsizetype word = upper.indexOf("SET ");
    const qsizetype start = word >= 0 ? word + 4 : 3;
    const qsizetype at = line.indexOf('@');
    state_.chnl = at > start ? line.mid(start, at - start) : QString();
    state_.level = line.mid(at + 1);
    SendMsg(line);
    shared_.unsaved = true;
  }
  if (upper.startsWith("PLAY")) {
    if (shared_.unsaved) {
      checksave();
    } else {
      setGoButtons(false);
      SendMsg(line);
      poll(1000);
    }
  }
  state_.IWEdit1.clear();
}

void RemotePage::IWEdit1AsyncClick() {
  state_.IWEdit1.clear();
  state_.focus = "btnSend";
}

void RemotePage::chnlAsyncClick() {
  state_.chnl.clear();
  state_.focus = "btnSend";
}

void RemotePage::fillLevelFromReply(const QString& line) {
  shared_.updating = true;
  state_.level = line.mid(4, 3);
  shared_.updating = false;
}

void RemotePage::IWTimer1Timer() {
  // A tick the browser sent after the timer was stopped is no tick.
  if (!state_.timerEnabled) return;
  const std::optional<QString> line = takeReplyLine(replyFolder_);
  if (line) {
    state_.timerEnabled = false;
    if (line->startsWith("read")) {
      fillLevelFromReply(*line);
      shared_.missCount = 0;
    } else if (*line == "done") {
      setGoButtons(true);
      shared_.missCount = 0;
      return;
    }
    // A GO still waits for its "done": keep polling at its pace until "done" or "No Response",
    // so Send, Next and Back cannot stay disabled.
    if (goPending()) poll(1000);
    return;
  }
  if (++shared_.missCount > 10) {
    state_.timerEnabled = false;
    insertMemo("No Response");
    setGoButtons(true);
    shared_.missCount = 0;
  }
}

void RemotePage::PipeClient1PipeDisconnect() { insertMemo("Disconnected"); }
