#pragma once

// The fixture type record (".lfix" library file): 120 bytes, little-endian, one per type, no header.
//   0   name          length byte (0..24) + 24 characters (Windows-1252)
//   25  description   length byte (0..48) + 48 characters
//   74  reserved (2)
//   76  id            int32, unique in the library
//   80  channel count int16
//   82  intensity     int16 channel number within the fixture (1-based, 0 none)
//   84  min intensity int16 DMX level written as the intensity channel's warm-up level
//   86  red, 88 green, 90 blue (int16 channel numbers)
//   92  reserved (2)
//   94  amber, 96 white, 98 lime (int16 channel numbers)
//   100 pan range     int16 DMX value for a full turn
//   102 reserved (18)

#include <QByteArray>
#include <QString>
#include <cstdint>

inline constexpr int kFixtureTypeRecordSize = 120;
inline constexpr int kFixtureNameLength = 24;
inline constexpr int kFixtureDescriptionLength = 48;
inline constexpr int kFixtureTableChannels = 24;  // rows of a channel table
// A type's channel count is what the editor's two-digit edit holds; the channels beyond the table's
// rows have no function text.
inline constexpr int kMaxFixtureChannels = 99;

struct FixtureTypeRecord {
  QString name;
  QString description;
  int32_t id = 0;
  int16_t channelCount = 0;
  int16_t intensity = 0;
  int16_t minIntensity = 0;
  int16_t red = 0;
  int16_t green = 0;
  int16_t blue = 0;
  int16_t amber = 0;
  int16_t white = 0;
  int16_t lime = 0;
  int16_t panRange = 0;
  // The record's bytes as read, so that rewriting it keeps the reserved bytes.
  QByteArray raw;

  bool operator==(const FixtureTypeRecord& o) const {
    return name == o.name && description == o.description && id == o.id && channelCount == o.channelCount &&
           intensity == o.intensity && minIntensity == o.minIntensity && red == o.red && green == o.green &&
           blue == o.blue && amber == o.amber && white == o.white && lime == o.lime && panRange == o.panRange;
  }
};

// Decodes a 120-byte record; false when it is not 120 bytes.
bool decodeFixtureTypeRecord(const QByteArray& bytes, FixtureTypeRecord& record);
// Encodes a record over its raw bytes (zeros for a new record); the name and description are cut
// to the lengths the record keeps.
QByteArray encodeFixtureTypeRecord(const FixtureTypeRecord& record);

// A type name the library can keep and use as a file name: 1..24 characters, no path separator,
// no "..", no character a file name cannot hold, not only blanks or dots.
bool validFixtureTypeName(const QString& name);
