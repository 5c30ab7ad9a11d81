#include "console/engine/tavro_utils.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <stdexcept>

#include "platform/atomic_file.h"
#include "platform/ini_file.h"
#include "platform/operator.h"
#include "platform/pumped_wait.h"

QFont TFont::toQFont() const {
  QFont f(Name);
  if (Size > 0) f.setPointSize(Size);
  f.setBold(Style & 1);
  f.setItalic(Style & 2);
  f.setUnderline(Style & 4);
  f.setStrikeOut(Style & 8);
  return f;
}

int MulDiv(int n, int num, int den) {
  if (den == 0) return -1;
  const qint64 p = qint64(n) * num;
  const qint64 ap = p < 0 ? -p : p;
  const qint64 ad = den < 0 ? -qint64(den) : qint64(den);
  const qint64 q = (2 * ap + ad) / (2 * ad);
  return int((p < 0) != (den < 0) ? -q : q);
}

namespace {
int& screenPpi() {
  static int ppi = 96;
  return ppi;
}

Operator*& logOperator() {
  static Operator* op = nullptr;
  return op;
}
}  // namespace

void setScreenDensity(int ppi) { screenPpi() = ppi > 0 ? ppi : 96; }
void setLogOperator(Operator* op) { logOperator() = op; }

int DpiScaleAt(int n, int ppi) { return MulDiv(n, ppi, 96); }
int DpiScale(int n) { return DpiScaleAt(n, screenPpi()); }

int StrToIntSafe(const QString& s) {
  // Leading blanks, a sign, then decimal digits or "$"/"0x" hexadecimal, as the standard conversion
  // of the show files' era accepted; anything else is 0.
  QString t = s;
  int i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  t = t.mid(i);
  if (t.isEmpty()) return 0;
  bool neg = false;
  if (t[0] == '-' || t[0] == '+') {
    neg = t[0] == '-';
    t = t.mid(1);
  }
  bool ok = false;
  qlonglong v;
  if (t.startsWith('$'))
    v = t.mid(1).toLongLong(&ok, 16);
  else if (t.startsWith("0x", Qt::CaseInsensitive))
    v = t.mid(2).toLongLong(&ok, 16);
  else {
    for (QChar c : t)
      if (!c.isDigit() || c.unicode() > '9') return 0;
    v = t.toLongLong(&ok, 10);
  }
  if (!ok) return 0;
  if (neg) v = -v;
  if (v < INT_MIN || v > INT_MAX) return 0;
  return int(v);
}

int AnsiToIntSafe(const QByteArray& s) { return StrToIntSafe(QString::fromLatin1(s)); }

double StrToFloatSafe(const QString& s) {
  const QString t = s.trimmed();
  if (t.isEmpty()) return 0;
  bool ok = false;
  double d = QLocale::system().toDouble(t, &ok);
  if (!ok) d = QLocale::c().toDouble(t, &ok);
  return ok ? d : 0;
}

void CopyFileStream(const QString& source, const QString& destination) {
  // The copy is made whole beside the destination and only then takes its name, so a copy that
  // fails (a full disk) never leaves a short file behind.
  QString error;
  if (!copyFileAtomically(source, destination, &error)) throw std::runtime_error(error.toStdString());
}

void WriteLog(const QString& text) {
  static bool failureReported = false;
  QFile f("LogFile.txt");
  const QString line = QTime::currentTime().toString("hh:mm:ss.zzz") + " - " + text + "\r\n";
  const bool ok =
      f.open(QIODevice::WriteOnly | QIODevice::Append) && f.write(line.toLocal8Bit()) >= 0 && f.flush();
  if (!ok && !failureReported && logOperator()) {
    failureReported = true;
    logOperator()->ask("Log File error", "The log file LogFile.txt cannot be written: " + f.errorString(),
                       DialogIcon::Warning);
  }
  f.close();
  pumpEvents();
}

arStr SplitStr(const QByteArray& s, char sep) {
  arStr out;
  qsizetype start = 0;
  do {
    qsizetype at = s.indexOf(sep, start);
    if (at < 0) at = s.size();
    out.push_back(s.mid(start, at - start));
    start = at + 1;
  } while (start < s.size());
  return out;
}

QByteArray HexDump(const QByteArray& bytes) {
  static const char* digits = "0123456789ABCDEF";
  QByteArray out;
  out.reserve(bytes.size() * 3 + bytes.size() / 25);
  for (int i = 0; i < bytes.size(); ++i) {
    const auto b = uint8_t(bytes[i]);
    out.append(digits[b >> 4]).append(digits[b & 15]).append(' ');
    if ((i + 1) % 50 == 0) out.append("* ");
  }
  return out;
}

void SaveFont(IniFile& ini, const QString& section, const TFont& font) {
  ini.writeString(section, "Font",
                  QString("%1,%2,%3,%4,%5")
                      .arg(font.Name)
                      .arg(font.Charset)
                      .arg(font.Color)
                      .arg(font.Size)
                      .arg(font.Style));
}

void LoadFont(const IniFile& ini, const QString& section, TFont& font) {
  QString rest = ini.readString(section, "Font", ",,,,");
  // Takes the next field up to "," and trims it; false when there is no "," left.
  auto next = [&rest](QString& field) {
    const int comma = rest.indexOf(',');
    if (comma < 0) return false;
    field = rest.left(comma).trimmed();
    rest = rest.mid(comma + 1);
    return true;
  };
  auto applyInt = [](const QString& field, int& target) {
    bool ok = false;
    const int v = field.toInt(&ok);
    if (!field.isEmpty() && ok) target = v;
  };
  QString field;
  if (!next(field)) return;
  if (!field.isEmpty()) font.Name = field;
  if (!next(field)) return;
  applyInt(field, font.Charset);
  if (!next(field)) return;
  applyInt(field, font.Color);
  if (!next(field)) return;
  applyInt(field, font.Size);
  applyInt(rest.trimmed(), font.Style);
}
