#pragma once

// The keypad command line: "12@50", "1/10*75", "1/10-5@40", "1+3+5/7@60", "g2@80". Parsing gives the
// operations in the order they apply and, when the line is refused, why; the operations before a
// refused item still apply (the operator sees how far the line got).

#include <QChar>
#include <QString>
#include <vector>

struct KeypadOp {
  enum class Kind { Single, Range, Group } kind = Kind::Single;
  int first = 0;   // channel number (Single) or one end of the range
  int last = 0;    // the other end of the range (either order)
  int except = 0;  // a channel of the range left out, 0 = none
  QChar groupKey;  // Group: the key after "g" (any character; only 0-9 and a-v pick a group)
  bool operator==(const KeypadOp&) const = default;
};

struct KeypadParse {
  enum class Error { None, LevelMissing, Problem } error = Error::None;
  QString level;  // the text after the level marker, written unchanged into each channel's edit
  std::vector<KeypadOp> ops;
};

KeypadParse parsetext(const QString& line, int maxChannels);
