#include "console/remote/osc_input.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "console/remote/osc_codec.h"
#include "console/remote/remote_dispatcher.h"

namespace {

// Lower-cases the letters A to Z only.
QString foldCase(const QString& text) {
  QString folded = text;
  for (QChar& c : folded)
    if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
  return folded;
}

// Removes blanks and control characters (everything up to the space) from both ends.
QString trimControls(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first].unicode() <= 32) ++first;
  while (last > first && text[last - 1].unicode() <= 32) --last;
  return text.mid(first, last - first);
}

// A cue number as the commands carry it: "." is the decimal separator whatever the locale; the
// locale's own separator is accepted as well. Nothing for anything but a finite decimal number.
std::optional<double> parseCueNumber(const QString& text) {
  QString plain = text.trimmed();
  const QString localePoint = QLocale().decimalPoint();
  if (localePoint.size() == 1 && localePoint != QLatin1String(".")) plain.replace(localePoint[0], u'.');
  const QByteArray bytes = plain.toLatin1();
  const char* first = bytes.constData();
  const char* last = first + bytes.size();
  if (first != last && *first == '+') ++first;
  if (first == last || *first == '+') return std::nullopt;
  // Only digits, one point, a sign and an exponent: from_chars alone would also take "inf" and "nan".
  for (const char* p = first; p != last; ++p)
    if (!std::strchr("0123456789.-+eE", *p)) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The text after the first blank of a command, as a cue number.
std::optional<double> cueArgument(const QString& command) {
  const qsizetype blank = command.indexOf(u' ');
  if (blank < 0) return std::nullopt;
  return parseCueNumber(command.mid(blank + 1));
}

// A float argument in the locale's number format.
QString floatText(float value) {
  QString text = QString::number(double(value), 'g', 15);
  const QString localePoint = QLocale().decimalPoint();
  if (localePoint != QLatin1String(".")) text.replace(u'.', localePoint);
  return text;
}

QString argumentText(const TOSCMessage& message) {
  if (message.GetArgumentCount() == 0) return kOscUnknownTypeTag;
  const std::string tag = message.GetTypeTag(0);
  const OscBytes& bytes = message.GetArgument(0);
  if (tag == "s")
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  if (tag == "f") return floatText(message.GetArgumentAsFloat(0));
  if (tag == "i") return QString::number(message.GetArgumentAsInt(0));
  return kOscUnknownTypeTag;
}

QString stringArgument(const TOSCMessage& message) {
  if (message.GetArgumentCount() == 0 || message.GetTypeTag(0) != "s") return {};
  const OscBytes& bytes = message.GetArgument(0);
  return QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

bool startsWith(std::span<const uint8_t> bytes, std::string_view text) {
  return bytes.size() >= text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

// The band text of a sound-to-light datagram: up to 3 characters after the first "/eos/user/0/chan/"
// anywhere in the datagram, trimmed of blanks and control characters (the address's NUL padding).
QString eosBandText(std::span<const uint8_t> datagram) {
  static const std::string prefix = kOscEosPrefix.toStdString();
  const auto found = std::search(datagram.begin(), datagram.end(), prefix.begin(), prefix.end());
  if (found == datagram.end()) return {};
  const std::size_t at = std::size_t(found - datagram.begin()) + prefix.size();
  const std::size_t length = std::min<std::size_t>(3, datagram.size() - at);
  return trimControls(
      QString::fromLatin1(reinterpret_cast<const char*>(datagram.data()) + at, qsizetype(length)));
}

}  // namespace

OscInput::OscInput(OscHost& host, Operator& op) : host_(host), dialogs_(host, op) {}

void OscInput::setOSCAddress(const QString& address) {
  address_ = address;
  addressUtf8_ = address.toStdString();
  playAddressUtf8_ = (address + "/play").toStdString();
}

void OscInput::IdUDPServer1Status(const QString& status) {
  if (host_.LogLevel() > 0) host_.writeLog(status);
}

void OscInput::handleDatagram(std::span<const uint8_t> datagram, const QHostAddress& sender) {
  sender_ = sender;
  struct Forget {
    QHostAddress& sender;
    ~Forget() { sender = QHostAddress(); }
  } forget{sender_};
  handle(datagram);
}

void OscInput::handle(std::span<const uint8_t> datagram) {
  argument_.clear();
  const std::unique_ptr<TOSCPacket> packet = TOSCPacket::Unpack(datagram);
  if (!packet) return;

  if (startsWith(datagram, "/eos")) {
    const QString band = eosBandText(datagram);
    if (TOSCMessage* message = packet->MatchAddress((kOscEosPrefix + band).toStdString())) {
      if (message->Decode() && message->GetArgumentCount() > 0 && message->GetTypeTag(0) == "f") {
        const double level = double(message->GetArgumentAsFloat(0));
        if (dispatcher_)
          post([this, band, level] { SetOSCLevel(band, level); });
        else
          SetOSCLevel(band, level);
      }
      return;
    }
  }

  static const std::string timecodeAddress = kOscTimecodeAddress.toStdString();
  if (TOSCMessage* message = packet->MatchAddress(timecodeAddress)) {
    // A string is expected; the bytes of an integer or float do not form a time code.
    if (!message->Decode() || message->GetArgumentCount() == 0 || !timecode_.TimecodeArmed()) return;
    const OscBytes& bytes = message->GetArgument(0);
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    if (const std::optional<qint64> frames = parseTimecode(text)) TimeCodecheck(*frames);
    return;
  }

  if (TOSCMessage* message = packet->MatchAddress(addressUtf8_)) {
    if (!message->Decode()) return;
    argument_ = argumentText(*message);
    ParseOSCmsg(argument_);
    return;
  }

  if (TOSCMessage* message = packet->MatchAddress(playAddressUtf8_)) {
    if (!message->Decode()) return;
    ParseOSCmsg(stringArgument(*message));
  }
}

void OscInput::SetOSCLevel(const QString& band, double level) {
  bool ok = false;
  const int number = band.toInt(&ok);
  if (!ok || number < 1 || number > kS2LBandCount) return;
  bands_.SetOSCLevel(host_, dialogs_, number, level);
}

void OscInput::TimeCodecheck(qint64 frames) {
  if (!timecode_.TimeCodecheck(frames)) return;
  runCommand("time code GO", [this] {
    try {
      host_.btnPlayClick();
    } catch (const std::exception& e) {
      host_.writeLog(QString("OSC time code GO failed: ") + e.what());
    }
  });
}

void OscInput::ParseOSCmsg(const QString& command) {
  runCommand(command, [this, command] { interpret(command); });
}

void OscInput::runCommand(const QString& description, std::function<void()> command) {
  if (dispatcher_) {
    const quint64 arrival = dialogs_.arrived();
    post([this, arrival, command = std::move(command)] {
      arrival_ = arrival;
      command();
      reportUnrecognised();
    });
    return;
  }
  const quint64 arrival = dialogs_.arrived();
  if (commandRunning_) {
    // A command is still running (a dialog of its own is open, or it waits letting events run):
    // this one follows when it is done, so commands never overlap.
    if (commands_.size() >= kMaxQueuedCommands) {
      host_.writeLog("OSC command dropped: " + description.left(80));
      return;
    }
    commands_.emplace_back(std::move(command), arrival);
    return;
  }
  {
    commandRunning_ = true;
    struct Done {
      bool& running;
      ~Done() { running = false; }
    } done{commandRunning_};
    arrival_ = arrival;
    command();
    while (!commands_.empty()) {
      auto next = std::move(commands_.front());
      commands_.pop_front();
      arrival_ = next.second;
      next.first();
    }
  }
  reportUnrecognised();
}

bool OscInput::post(std::function<void()> work) {
  // A datagram without a sender address (handed in directly) counts towards the total only.
  const bool known = !sender_.isNull();
  if (waitingInAll_ >= kMaxWaitingInAll || (known && waitingFrom_[sender_] >= kMaxWaitingPerSender)) {
    if (!dropLogged_) {
      dropLogged_ = true;
      host_.writeLog("OSC input dropped: too many commands waiting" +
                     (known ? " from " + sender_.toString() : QString()));
    }
    return false;
  }
  ++waitingInAll_;
  if (known) ++waitingFrom_[sender_];
  dispatcher_->post([this, sender = sender_, known, work = std::move(work)](QObject*) {
    --waitingInAll_;
    if (known) {
      const auto it = waitingFrom_.find(sender);
      if (it != waitingFrom_.end() && --it.value() <= 0) waitingFrom_.erase(it);
    }
    if (waitingInAll_ == 0) dropLogged_ = false;
    work();
  });
  return true;
}

// Unrecognised commands are reported once nothing runs any more: while the report is open, later
// commands are carried out, and their own errors are logged instead of stacking more dialogs.
void OscInput::reportUnrecognised() {
  while (!unrecognised_.empty()) {
    const auto [text, arrival] = std::move(unrecognised_.front());
    unrecognised_.pop_front();
    dialogs_.show(
        messageSpec("OSC message error", "OSC message \"" + text.left(80) + "\"\n\rcould not be recognized.",
                    DialogIcon::Information),
        arrival);
  }
}

void OscInput::interpret(const QString& command) {
  if (host_.LogLevel() > 0) host_.writeLog("OSC In: " + command.left(80));
  if (command.isEmpty()) return;
  const QString lower = foldCase(command);
  try {
    if (lower.startsWith(QLatin1String("play"))) {
      const std::optional<double> number = cueArgument(command);
      if (!number) throw std::invalid_argument("not a cue number");
      // With no cue of that number, GO runs on the cue that is selected.
      if (const int row = findCueRow(*number)) selectCue(row);
      host_.btnPlayClick();
      return;
    }
    if (lower.startsWith(QLatin1String("goto"))) {
      const std::optional<double> number = cueArgument(command);
      if (!number) throw std::invalid_argument("not a cue number");
      if (const int row = findCueRow(*number)) selectCue(row);
      return;
    }
    if (lower.startsWith(QLatin1String("black"))) {
      host_.btnBlackClick();
      return;
    }
    if (lower.startsWith(QLatin1String("enable"))) {
      host_.Readosc();
      host_.setEosenabled(true);
      return;
    }
    if (lower.startsWith(QLatin1String("disable"))) {
      for (int band = 1; band <= kS2LBandCount; ++band) {
        bands_.setMinimum(band, 0);
        bands_.SetOSCLevel(host_, dialogs_, band, 0);
      }
      host_.setEosenabled(false);
      return;
    }
    if (lower.startsWith(QLatin1String("end"))) {
      host_.keyend();
      return;
    }
  } catch (const std::exception&) {
    // Reported like a command that is not recognised.
  }
  if (unrecognised_.size() < kMaxQueuedCommands)
    unrecognised_.emplace_back(command, arrival_);
  else
    host_.writeLog("OSC message error: " + command.left(80));
}

void OscInput::selectCue(int row) {
  host_.selectRow(row);
  host_.CueListClicked(0);
}

int OscInput::findCueRow(double cueNumber) const {
  const double key = std::nearbyint(cueNumber * 100.0);
  if (!(key >= double(std::numeric_limits<int32_t>::min()) &&
        key <= double(std::numeric_limits<int32_t>::max())))
    return 0;
  const int count = host_.CueCount();
  for (int row = 1; row <= count; ++row)
    if (host_.cueNumber(row) == int(key)) return row;
  return 0;
}
