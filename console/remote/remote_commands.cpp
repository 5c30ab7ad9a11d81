#include "console/remote/remote_commands.h"

#include <cfenv>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "console/remote/remote_clock.h"
#include "console/remote/remote_host.h"
#include "platform/clock.h"

namespace {

// Any failure while a command runs ends it with the syntax-error reply.
struct CommandSyntaxError : std::runtime_error {
  CommandSyntaxError() : std::runtime_error("syntax") {}
};

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The line end a transport may leave on a message is not part of the command.
QString withoutLineEnd(const QString& text) {
  qsizetype n = text.size();
  while (n > 0 && (text[n - 1] == u'\r' || text[n - 1] == u'\n')) --n;
  return text.left(n);
}

}  // namespace

QString foldCommandCase(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
  return out;
}

QString trimControls(const QString& text) {
  qsizetype first = 0, last = text.size();
  while (first < last && text[first].unicode() <= 0x20) ++first;
  while (last > first && text[last - 1].unicode() <= 0x20) --last;
  return text.mid(first, last - first);
}

std::optional<int> cueNumberKey(const QString& text) {
  // [sign] digits [. digits] [e [sign] digits], with at least one digit in the mantissa.
  qsizetype i = 0;
  const qsizetype n = text.size();
  if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
  int mantissaDigits = 0;
  while (i < n && isDigit(text[i])) ++i, ++mantissaDigits;
  if (i < n && text[i] == u'.') {
    ++i;
    while (i < n && isDigit(text[i])) ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    int exponentDigits = 0;
    while (i < n && isDigit(text[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return std::nullopt;
  }
  if (i != n) return std::nullopt;
  bool ok = false;
  const double value = text.toDouble(&ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  const int savedMode = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double key = std::nearbyint(value * 100.0);
  std::fesetround(savedMode);
  if (!(key >= double(INT_MIN) && key <= double(INT_MAX))) return std::nullopt;
  return int(key);
}

std::optional<int> parseCommandInteger(const QString& text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && text[i] == u' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i == n) return std::nullopt;
  long long value = 0;
  for (; i < n; ++i) {
    if (!isDigit(text[i])) return std::nullopt;
    value = value * 10 + (text[i].unicode() - u'0');
    if (value > 1LL + INT_MAX) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return int(value);
}

RemoteCommands::RemoteCommands(RemoteHost& host, RemoteClock& clock, RemoteReplies& replies)
    : host_(host), clock_(clock), replies_(replies), pause_(std::make_unique<ClockTimer>(clock)) {
  pause_->setSingleShot(true);
  pause_->setInterval(kPieceSpacingMs);
  QObject::connect(pause_.get(), &ClockTimer::timeout, [this] { queueStep(); });
}

RemoteCommands::~RemoteCommands() = default;

void RemoteCommands::trace(const QString& line) {
  if (host_.LogLevel() > 0) host_.toolLog(line);
}

void RemoteCommands::ProcessMsg(const QString& received) {
  const QString original = withoutLineEnd(received);
  trace("In: " + quoted(original));
  const QString message = foldCommandCase(original);
  try {
    if (message.startsWith(u"goto")) {
      doGoto(message);
    } else if (message.startsWith(u"play")) {
      doPlay(message);
    } else if (message.startsWith(u"stop")) {
      host_.btnstoploopClick();
    } else if (message.startsWith(u"end")) {
      host_.keyend();
    } else if (message.startsWith(u"set")) {
      doSet(message);
    } else if (message.startsWith(u"back")) {
      host_.GoBack();
    } else if (message.startsWith(u"record")) {
      host_.btnRecordClick();
    } else if (message.startsWith(u"reset")) {
      host_.mreset();
    } else if (message.startsWith(u"read")) {
      doRead(message);
    } else {
      replies_.senderror(kUnknownCommandReply + quoted(message));
      host_.toolLog("Unknown command: " + quoted(message));
    }
  } catch (...) {
    replies_.senderror(kSyntaxErrorReply);
  }
}

void RemoteCommands::ParseMsg(const QString& message) {
  QString rest = message;
  int taken = 0;
  bool cut = false;
  for (qsizetype sep = rest.indexOf(QChar(kRecordSeparator)); sep >= 0;
       sep = rest.indexOf(QChar(kRecordSeparator))) {
    if (taken == kMaxPiecesPerMessage) {
      host_.toolLog("Follow-spot message cut after " + QString::number(kMaxPiecesPerMessage) +
                    " commands: " + quoted(rest));
      cut = true;
      break;
    }
    pieces_.push_back({rest.left(sep), true});
    ++taken;
    rest = rest.mid(sep + 1);
  }
  // What follows the last separator is a command even when empty (an empty one is answered with the
  // unknown-command reply); the rest of a message that was cut is not.
  if (!cut) pieces_.push_back({rest, false});
  if (!stepping_) runPieces();
}

void RemoteCommands::queueStep() {
  if (queue_)
    queue_([this] { runPieces(); });
  else
    runPieces();
}

void RemoteCommands::runPieces() {
  if (pieces_.empty()) {
    stepping_ = false;
    if (piecesDone_) piecesDone_();
    return;
  }
  stepping_ = true;
  const Piece piece = std::move(pieces_.front());
  pieces_.pop_front();
  if (!piece.text.isEmpty() || !piece.pauseAfter) ProcessMsg(piece.text);
  if (piece.pauseAfter)
    pause_->start();
  else if (!pieces_.empty())
    queueStep();
  else
    runPieces();
}

int RemoteCommands::findCueRow(int key) const {
  const int count = host_.CueCount();
  for (int row = 1; row <= count; ++row)
    if (host_.cueNumber(row) == key) return row;
  return 0;
}

int RemoteCommands::checkedChannel(const QString& text) const {
  const auto channel = parseCommandInteger(text);
  if (!channel || *channel < 1 || *channel > host_.MaxChannels()) throw CommandSyntaxError();
  return *channel;
}

void RemoteCommands::doGoto(const QString& message) {
  const auto key = cueNumberKey(trimControls(message.mid(4)));
  if (!key) throw CommandSyntaxError();
  if (const int row = findCueRow(*key)) {
    host_.selectCueRow(row);
    host_.CueListClicked(0);
  }
}

void RemoteCommands::doPlay(const QString& message) {
  const QString argument = trimControls(message.mid(4));
  if (argument == u"next") {
    host_.btnPlayClick();
    return;
  }
  if (!argument.isEmpty()) {
    const auto key = cueNumberKey(argument);
    if (!key) throw CommandSyntaxError();
    if (const int row = findCueRow(*key)) {
      host_.selectCueRow(row);
      host_.setCurrentCue(row);
      host_.CueListClicked(1);
    }
  }
  clock_.pumpEvents();
  host_.SendCue();
}

void RemoteCommands::doSet(const QString& message) {
  const QString rest = trimControls(message.mid(3));
  const qsizetype at = rest.indexOf(u'@');
  if (at < 0) throw CommandSyntaxError();
  const int channel = checkedChannel(rest.left(at));
  const auto level = parseCommandInteger(rest.mid(at + 1));
  const bool raw = host_.isRawChannel(channel);
  if (!level || *level < 0 || *level > (raw ? 255 : 100)) throw CommandSyntaxError();
  host_.setChannelEditText(channel, QString::number(*level));
  host_.sendDMX();
  host_.setRemoteEdited(true);
  host_.setCurrentLevel(channel, raw ? float(*level) : float(*level * 2.55));
}

void RemoteCommands::doRead(const QString& message) {
  const int channel = checkedChannel(trimControls(message.mid(4)));
  if (host_.channelEditText(channel).isEmpty()) host_.setChannelEditText(channel, "0");
  // The reply is what the channel's entry shows, which after a cue has ended is the selected next
  // cue's level rather than the one on stage.
  const QString reply = "read" + host_.channelEditText(channel);
  replies_.postWebReply(reply);
  if (replies_.remoteClientConnected()) replies_.senderror(reply);
  trace("Send: " + reply);
}
