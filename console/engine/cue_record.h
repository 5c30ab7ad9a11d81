#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The records of a cue file (".lcue"): one fixed-size little-endian record per cue, in list order,
// no header. Text fields are a length byte followed by a fixed number of Windows-1252 characters;
// the bytes after the length carry no meaning but are kept as read.
//
// Both codecs decode into a struct that keeps the raw record and encode over it, so every byte the
// struct does not own (padding, the reserved field, unused tails of text fields, the unused block at
// the end) survives a read-modify-write unchanged. Text fields are held as their Windows-1252 bytes,
// so a record that is decoded and encoded again is byte-identical.

inline constexpr int kCueRecordSize = 1240;
inline constexpr int kOldCueRecordSize = 1152;
inline constexpr int kCueLevelCount = 1024;
inline constexpr int kCueDescriptionCapacity = 48;
inline constexpr int kCueMessageTextCapacity = 45;
inline constexpr int kCueHostCapacity = 15;

// Byte offsets inside a record. Offsets below 1134 are shared by the old 1152-byte layout.
namespace cue_offset {
inline constexpr int Number = 0;
inline constexpr int Description = 4;  // length byte + 48 characters
inline constexpr int Levels = 53;      // 1024 level bytes, byte k-1 = channel k
inline constexpr int TextColour = 1080;
inline constexpr int FadeUp = 1084;
inline constexpr int FadeDown = 1088;
inline constexpr int UpDelay = 1092;
inline constexpr int DownDelay = 1096;
inline constexpr int StartMode = 1100;
inline constexpr int AdvanceAfter = 1104;
inline constexpr int TimingMode = 1108;
inline constexpr int LoopTarget = 1112;
inline constexpr int LoopCount = 1116;
inline constexpr int LoopFileKey = 1120;
inline constexpr int CueKind = 1124;
inline constexpr int ChannelCountField = 1128;  // int16
inline constexpr int Reserved = 1130;           // int16, kept as read
inline constexpr int Lock = 1132;               // int16
inline constexpr int FormatMark = 1134;         // length byte + 1 character ("X")
inline constexpr int MessageText = 1136;        // length byte + 45 characters
inline constexpr int Host = 1182;               // length byte + 15 characters
inline constexpr int Port = 1200;
inline constexpr int AdvanceDelay = 1204;  // int16
inline constexpr int TimeCode = 1208;
}  // namespace cue_offset

// Cue kinds (the cue kind field).
enum : int32_t {
  kCueNormalDmx = 0,
  kCueIsAFile = 1,
  kCueFollowspotAlert = 2,
  kCueOscCommand = 3,
  kCueCompanionMessage = 4,
};

// Fields of the first 1134 bytes, common to both layouts.
struct CueRecordCommon {
  int32_t cueNumber = 0;                                 // cue number x 100
  QByteArray description;                                // up to 48 Windows-1252 characters
  QByteArray levels = QByteArray(kCueLevelCount, '\0');  // always 1024 bytes
  int32_t textColour = 0;                                // 0x00BBGGRR
  int32_t fadeUpTime = 0;                                // tenths of a second
  int32_t fadeDownTime = 0;
  int32_t upDelay = 0;
  int32_t downDelay = 0;
  int32_t startMode = 0;     // 0 play key, 1 auto play / follow, 2 time code
  int32_t advanceAfter = 0;  // 1 = advance after the advance delay
  int32_t timingMode = 0;    // 0 single, 1 split, 2 master fade
  int32_t loopTarget = 0;    // cue number x 100, 0 = none
  int32_t loopCount = 0;
  int32_t loopFileKey = 0;  // key in the loop list, 0 = none
  int32_t cueKind = kCueNormalDmx;
  int16_t channelCountField = 0;  // MaxChannels x 10, + 1 when written with FileSource off
  int16_t reserved = 0;
  int16_t lock = 0;  // record 0: 1 = show locked against cue changes

  QString descriptionText() const;
  void setDescriptionText(const QString& text);  // converted to Windows-1252, cut to 48 characters
};

struct CueRecord : CueRecordCommon {
  QByteArray formatMark = "X";  // 1 character; empty in a record of an old file
  QByteArray messageText;       // up to 45 characters
  QByteArray host;              // up to 15 characters
  int32_t port = 0;
  int16_t advanceDelay = 0;  // tenths of a second
  int32_t timeCode = 0;      // frames at 25 per second
  QByteArray raw;            // the record as read (empty: a new record, encoded over zeros)

  // Decodes a 1240-byte record (a shorter buffer is padded with zeros).
  static CueRecord decode(const QByteArray& bytes);
  // The 1240 bytes: `raw` (or zeros) with every owned field written over it.
  QByteArray encode() const;

  QString messageTextString() const;
  void setMessageTextString(const QString& text);  // cut to 45 characters
  QString hostString() const;
  void setHostString(const QString& text);  // cut to 15 characters
};

struct OldCueRecord : CueRecordCommon {
  QByteArray raw;

  static OldCueRecord decode(const QByteArray& bytes);
  QByteArray encode() const;  // 1152 bytes
};

// The record of the new layout that an old record converts to: a zero record carrying the cue
// number, description, levels, the twelve integers and the three 16-bit fields, format mark "X",
// empty message text and host, port 0.
CueRecord convertOldCueRecord(const OldCueRecord& old);
