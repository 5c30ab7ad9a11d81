#include "console/engine/keypad_parse.h"

#include <QStringList>
#include <optional>

namespace {

QString trimmed(const QString& line) {
  int b = 0, e = int(line.size());
  const auto blank = [](QChar c) { return c.unicode() <= 32; };
  while (b < e && blank(line[b])) ++b;
  while (e > b && blank(line[e - 1])) --e;
  return line.mid(b, e - b);
}

// A decimal channel number; a part holding "-" (or anything else that is not digits) is none.
std::optional<int> number(const QString& part) {
  if (part.isEmpty() || part.contains('-') || part.contains('+')) return std::nullopt;
  bool ok = false;
  const int v = part.toInt(&ok, 10);
  return ok ? std::optional<int>(v) : std::nullopt;
}

}  // namespace

KeypadParse parsetext(const QString& rawLine, int maxChannels) {
  KeypadParse r;
  const QString line = trimmed(rawLine);
  const int star = int(line.indexOf('*')) + 1;
  const int at = int(line.indexOf('@')) + 1;
  if (star + at < 2) {
    r.error = KeypadParse::Error::LevelMissing;
    return r;
  }
  const int marker = star > 0 ? star - 1 : at - 1;
  const QString channels = line.left(marker);
  r.level = line.mid(marker + 1);

  const auto inRange = [maxChannels](int n) { return n >= 1 && n <= maxChannels; };
  const auto problem = [&r] {
    r.error = KeypadParse::Error::Problem;
    return r;
  };
  // s/e or s/e-x; `strict`: s and e must be numbers (a line with "+").
  const auto range = [&](const QString& item, bool strict) -> std::optional<KeypadOp> {
    const int slash = int(item.indexOf('/'));
    const QString s = item.left(slash);
    QString e = item.mid(slash + 1);
    std::optional<int> x;
    bool hasExcept = false;
    if (const int dash = int(e.indexOf('-')); dash >= 0) {
      hasExcept = true;
      x = number(e.mid(dash + 1));
      e = e.left(dash);
    }
    const std::optional<int> sn = number(s), en = number(e);
    if (strict && (!sn || !en)) return std::nullopt;
    KeypadOp op{KeypadOp::Kind::Range, sn.value_or(0), en.value_or(0), hasExcept ? x.value_or(0) : 0, {}};
    if (!inRange(op.first) || !inRange(op.last) || (hasExcept && !inRange(op.except))) return std::nullopt;
    return op;
  };

  if (line.contains('+')) {
    QStringList items = channels.split('+');
    if (!items.isEmpty() && items.last().isEmpty()) items.removeLast();  // a trailing "+" adds nothing
    for (const QString& item : items) {
      if (item.contains('/')) {
        const std::optional<KeypadOp> op = range(item, true);
        if (!op) return problem();
        r.ops.push_back(*op);
      } else {
        const int n = number(item).value_or(0);
        if (!inRange(n)) return problem();
        r.ops.push_back({KeypadOp::Kind::Single, n, n, 0, {}});
      }
    }
    return r;
  }
  if (channels.contains('/')) {
    const std::optional<KeypadOp> op = range(channels, false);
    if (!op) return problem();
    r.ops.push_back(*op);
  } else if (channels.startsWith('g', Qt::CaseInsensitive)) {
    if (channels.size() < 2) return problem();
    r.ops.push_back({KeypadOp::Kind::Group, 0, 0, 0, channels.at(1)});
  } else {
    const int n = number(channels).value_or(0);
    if (!inRange(n)) return problem();
    r.ops.push_back({KeypadOp::Kind::Single, n, n, 0, {}});
  }
  return r;
}
