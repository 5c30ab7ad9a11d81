#include "console/patch/fixture_type_record.h"

#include "platform/record_file.h"

bool decodeFixtureTypeRecord(const QByteArray& bytes, FixtureTypeRecord& r) {
  if (bytes.size() != kFixtureTypeRecordSize) return false;
  r.name = readShortString(bytes, 0, kFixtureNameLength);
  r.description = readShortString(bytes, 25, kFixtureDescriptionLength);
  r.id = le::i32(bytes, 76);
  r.channelCount = le::i16(bytes, 80);
  r.intensity = le::i16(bytes, 82);
  r.minIntensity = le::i16(bytes, 84);
  r.red = le::i16(bytes, 86);
  r.green = le::i16(bytes, 88);
  r.blue = le::i16(bytes, 90);
  r.amber = le::i16(bytes, 94);
  r.white = le::i16(bytes, 96);
  r.lime = le::i16(bytes, 98);
  r.panRange = le::i16(bytes, 100);
  r.raw = bytes;
  return true;
}

QByteArray encodeFixtureTypeRecord(const FixtureTypeRecord& r) {
  QByteArray b = r.raw.size() == kFixtureTypeRecordSize ? r.raw : QByteArray(kFixtureTypeRecordSize, '\0');
  // Unused characters of the strings are cleared so that no earlier name shows through.
  for (int i = 0; i <= kFixtureNameLength; ++i) b[i] = '\0';
  for (int i = 25; i <= 25 + kFixtureDescriptionLength; ++i) b[i] = '\0';
  writeShortString(b, 0, kFixtureNameLength, r.name);
  writeShortString(b, 25, kFixtureDescriptionLength, r.description);
  le::put32(b, 76, uint32_t(r.id));
  le::put16(b, 80, uint16_t(r.channelCount));
  le::put16(b, 82, uint16_t(r.intensity));
  le::put16(b, 84, uint16_t(r.minIntensity));
  le::put16(b, 86, uint16_t(r.red));
  le::put16(b, 88, uint16_t(r.green));
  le::put16(b, 90, uint16_t(r.blue));
  le::put16(b, 94, uint16_t(r.amber));
  le::put16(b, 96, uint16_t(r.white));
  le::put16(b, 98, uint16_t(r.lime));
  le::put16(b, 100, uint16_t(r.panRange));
  return b;
}

bool validFixtureTypeName(const QString& name) {
  if (name.isEmpty() || name.size() > kFixtureNameLength) return false;
  if (name.contains("..")) return false;
  static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
  bool onlyBlanksAndDots = true;
  for (QChar c : name) {
    if (c.unicode() < 32 || forbidden.contains(c)) return false;
    if (c != u' ' && c != u'.') onlyBlanksAndDots = false;
  }
  // Windows-1252 must hold every character, or the record and the file name would differ.
  if (fromWindows1252(toWindows1252(name)) != name) return false;
  return !onlyBlanksAndDots;
}
