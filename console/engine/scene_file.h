#pragma once

// The scene file: named sets of channel levels, one fixed 1110-byte `SceneRecord` per scene, no
// header, in the order they were saved. Every change rewrites the whole file safely.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

inline constexpr int kSceneRecordSize = 1110;
inline constexpr int kSceneNameLength = 60;
inline constexpr int kSceneChannels = 1024;
inline constexpr int kBumpKeys = 8;  // F5 .. F12

namespace scene_offset {
inline constexpr int Name = 0;        // length byte + 60 characters (Windows-1252)
inline constexpr int Levels = 61;     // one byte per channel 1..1024
inline constexpr int BumpKey = 1086;  // int16: -1 none, 0..7 = F5..F12
inline constexpr int Flag = 1088;     // always 0
}  // namespace scene_offset

struct SceneRecord {
  // The record's bytes; fields not named here (reserved bytes, unused name characters) are kept as
  // read, so a record read and written back is unchanged.
  QByteArray bytes = QByteArray(kSceneRecordSize, '\0');

  QString name() const;
  void setName(const QString& name);  // cut to 60 characters
  uint8_t level(int channel) const;   // channel 1..1024
  void setLevel(int channel, uint8_t level);
  int16_t bumpKey() const;
  void setBumpKey(int16_t key);

  static SceneRecord decode(const QByteArray& bytes);  // bytes.size() == kSceneRecordSize
  QByteArray encode() const { return bytes; }
};

// A new record: name, the levels of channels 1..levels.size() (the others 0), the bump key.
SceneRecord makeScene(const QString& name, const std::vector<uint8_t>& levels, int16_t bumpKey);

// The whole file. A missing file, a file that cannot be read, or one far larger than any scene file
// (refused unread) gives nothing and an error naming the file; a trailing partial record is ignored.
std::optional<std::vector<SceneRecord>> readSceneFile(const QString& path, QString* error = nullptr);
// One record; nothing when the file or the record cannot be read.
std::optional<SceneRecord> readScene(const QString& path, int index, QString* error = nullptr);
// Replaces the file's content by `records` (temporary file, checked, renamed over).
bool writeSceneFile(const QString& path, const std::vector<SceneRecord>& records, QString* error = nullptr);
bool appendScene(const QString& path, const SceneRecord& record, QString* error = nullptr);
bool replaceScene(const QString& path, int index, const SceneRecord& record, QString* error = nullptr);
// Removes record `index`; the later records move down by one.
bool deleteScene(const QString& path, int index, QString* error = nullptr);

// The bump keys of the scenes read from a file (`Readlist`): for each record r whose key is 0..7,
// entry key := r. Entries no record names keep their values.
void fillBumpSceneTable(const std::vector<SceneRecord>& scenes, std::array<int16_t, kBumpKeys>& table);
