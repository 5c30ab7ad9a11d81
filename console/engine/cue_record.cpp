#include "console/engine/cue_record.h"

#include "platform/record_file.h"

namespace {

QByteArray sized(const QByteArray& bytes, int size) {
  QByteArray out = bytes.left(size);
  if (out.size() < size) out.append(QByteArray(size - out.size(), '\0'));
  return out;
}

// A text field's characters: the length byte (clamped to the capacity) and that many bytes.
QByteArray getText(const QByteArray& record, int at, int capacity) {
  const int len = qMin(int(uint8_t(record[at])), capacity);
  return record.mid(at + 1, len);
}

// Writes a text field, leaving the bytes after its characters as they were. A field that still
// holds what the record decodes to is not touched at all, so an out-of-range length byte read from
// a file is kept too.
void putText(QByteArray& record, int at, int capacity, const QByteArray& text) {
  if (getText(record, at, capacity) == text) return;
  const QByteArray bytes = text.left(capacity);
  record[at] = char(bytes.size());
  for (int i = 0; i < bytes.size(); ++i) record[at + 1 + i] = bytes[i];
}

void decodeCommon(const QByteArray& r, CueRecordCommon& c) {
  using namespace cue_offset;
  c.cueNumber = le::i32(r, Number);
  c.description = getText(r, Description, kCueDescriptionCapacity);
  c.levels = r.mid(Levels, kCueLevelCount);
  c.textColour = le::i32(r, TextColour);
  c.fadeUpTime = le::i32(r, FadeUp);
  c.fadeDownTime = le::i32(r, FadeDown);
  c.upDelay = le::i32(r, UpDelay);
  c.downDelay = le::i32(r, DownDelay);
  c.startMode = le::i32(r, StartMode);
  c.advanceAfter = le::i32(r, AdvanceAfter);
  c.timingMode = le::i32(r, TimingMode);
  c.loopTarget = le::i32(r, LoopTarget);
  c.loopCount = le::i32(r, LoopCount);
  c.loopFileKey = le::i32(r, LoopFileKey);
  c.cueKind = le::i32(r, CueKind);
  c.channelCountField = le::i16(r, ChannelCountField);
  c.reserved = le::i16(r, Reserved);
  c.lock = le::i16(r, Lock);
}

void encodeCommon(const CueRecordCommon& c, QByteArray& r) {
  using namespace cue_offset;
  le::put32(r, Number, uint32_t(c.cueNumber));
  putText(r, Description, kCueDescriptionCapacity, c.description);
  const QByteArray levels = sized(c.levels, kCueLevelCount);
  r.replace(Levels, kCueLevelCount, levels);
  le::put32(r, TextColour, uint32_t(c.textColour));
  le::put32(r, FadeUp, uint32_t(c.fadeUpTime));
  le::put32(r, FadeDown, uint32_t(c.fadeDownTime));
  le::put32(r, UpDelay, uint32_t(c.upDelay));
  le::put32(r, DownDelay, uint32_t(c.downDelay));
  le::put32(r, StartMode, uint32_t(c.startMode));
  le::put32(r, AdvanceAfter, uint32_t(c.advanceAfter));
  le::put32(r, TimingMode, uint32_t(c.timingMode));
  le::put32(r, LoopTarget, uint32_t(c.loopTarget));
  le::put32(r, LoopCount, uint32_t(c.loopCount));
  le::put32(r, LoopFileKey, uint32_t(c.loopFileKey));
  le::put32(r, CueKind, uint32_t(c.cueKind));
  le::put16(r, ChannelCountField, uint16_t(c.channelCountField));
  le::put16(r, Reserved, uint16_t(c.reserved));
  le::put16(r, Lock, uint16_t(c.lock));
}

}  // namespace

QString CueRecordCommon::descriptionText() const { return fromWindows1252(description); }

void CueRecordCommon::setDescriptionText(const QString& text) {
  description = toWindows1252(text).left(kCueDescriptionCapacity);
}

CueRecord CueRecord::decode(const QByteArray& bytes) {
  using namespace cue_offset;
  CueRecord c;
  c.raw = sized(bytes, kCueRecordSize);
  const QByteArray& r = c.raw;
  decodeCommon(r, c);
  c.formatMark = getText(r, FormatMark, 1);
  c.messageText = getText(r, MessageText, kCueMessageTextCapacity);
  c.host = getText(r, Host, kCueHostCapacity);
  c.port = le::i32(r, Port);
  c.advanceDelay = le::i16(r, AdvanceDelay);
  c.timeCode = le::i32(r, TimeCode);
  return c;
}

QByteArray CueRecord::encode() const {
  using namespace cue_offset;
  QByteArray r = raw.isEmpty() ? QByteArray(kCueRecordSize, '\0') : sized(raw, kCueRecordSize);
  encodeCommon(*this, r);
  putText(r, FormatMark, 1, formatMark);
  putText(r, MessageText, kCueMessageTextCapacity, messageText);
  putText(r, Host, kCueHostCapacity, host);
  le::put32(r, Port, uint32_t(port));
  le::put16(r, AdvanceDelay, uint16_t(advanceDelay));
  le::put32(r, TimeCode, uint32_t(timeCode));
  return r;
}

QString CueRecord::messageTextString() const { return fromWindows1252(messageText); }

void CueRecord::setMessageTextString(const QString& text) {
  messageText = toWindows1252(text).left(kCueMessageTextCapacity);
}

QString CueRecord::hostString() const { return fromWindows1252(host); }

void CueRecord::setHostString(const QString& text) { host = toWindows1252(text).left(kCueHostCapacity); }

OldCueRecord OldCueRecord::decode(const QByteArray& bytes) {
  OldCueRecord c;
  c.raw = sized(bytes, kOldCueRecordSize);
  decodeCommon(c.raw, c);
  return c;
}

QByteArray OldCueRecord::encode() const {
  QByteArray r = raw.isEmpty() ? QByteArray(kOldCueRecordSize, '\0') : sized(raw, kOldCueRecordSize);
  encodeCommon(*this, r);
  return r;
}

CueRecord convertOldCueRecord(const OldCueRecord& old) {
  CueRecord c;
  static_cast<CueRecordCommon&>(c) = old;
  c.description = old.description.left(kCueDescriptionCapacity);
  c.formatMark = "X";
  c.messageText.clear();
  c.host.clear();
  c.port = 0;
  c.advanceDelay = 0;
  c.timeCode = 0;
  c.raw.clear();
  return c;
}
