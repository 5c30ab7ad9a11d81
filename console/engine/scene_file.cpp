#include "console/engine/scene_file.h"

#include <QFile>

#include "platform/atomic_file.h"
#include "platform/file_limits.h"
#include "platform/record_file.h"

QString SceneRecord::name() const { return readShortString(bytes, scene_offset::Name, kSceneNameLength); }

void SceneRecord::setName(const QString& name) {
  writeShortString(bytes, scene_offset::Name, kSceneNameLength, name.left(kSceneNameLength));
}

uint8_t SceneRecord::level(int channel) const {
  if (channel < 1 || channel > kSceneChannels) return 0;
  return uint8_t(bytes[scene_offset::Levels + channel - 1]);
}

void SceneRecord::setLevel(int channel, uint8_t level) {
  if (channel < 1 || channel > kSceneChannels) return;
  bytes[scene_offset::Levels + channel - 1] = char(level);
}

int16_t SceneRecord::bumpKey() const { return le::i16(bytes, scene_offset::BumpKey); }
void SceneRecord::setBumpKey(int16_t key) { le::put16(bytes, scene_offset::BumpKey, uint16_t(key)); }

SceneRecord SceneRecord::decode(const QByteArray& bytes) {
  SceneRecord r;
  if (bytes.size() == kSceneRecordSize) r.bytes = bytes;
  return r;
}

SceneRecord makeScene(const QString& name, const std::vector<uint8_t>& levels, int16_t bumpKey) {
  SceneRecord r;
  r.setName(name);
  for (int c = 1; c <= int(levels.size()) && c <= kSceneChannels; ++c) r.setLevel(c, levels[c - 1]);
  r.setBumpKey(bumpKey);
  return r;
}

std::optional<std::vector<SceneRecord>> readSceneFile(const QString& path, QString* error) {
  QFile f(path);
  const auto unreadable = [&]() {
    if (error) *error = "The scene file \"" + path + "\" could not be read: " + f.errorString() + ".";
    return std::nullopt;
  };
  if (!f.open(QIODevice::ReadOnly)) return unreadable();
  // Refused by its size before it is read.
  QByteArray all;
  const qint64 size = readAllWithin(f, file_limit::kSceneFile, all);
  if (size > file_limit::kSceneFile) {
    if (error) *error = fileTooLargeText(path, size);
    return std::nullopt;
  }
  if (size < 0) return unreadable();
  std::vector<SceneRecord> scenes;
  const int n = int(all.size() / kSceneRecordSize);
  scenes.reserve(n);
  for (int i = 0; i < n; ++i)
    scenes.push_back(SceneRecord::decode(all.mid(qsizetype(i) * kSceneRecordSize, kSceneRecordSize)));
  return scenes;
}

std::optional<SceneRecord> readScene(const QString& path, int index, QString* error) {
  auto scenes = readSceneFile(path, error);
  if (!scenes) return std::nullopt;
  if (index < 0 || index >= int(scenes->size())) {
    if (error) *error = path + ": there is no scene " + QString::number(index) + ".";
    return std::nullopt;
  }
  return (*scenes)[size_t(index)];
}

bool writeSceneFile(const QString& path, const std::vector<SceneRecord>& records, QString* error) {
  QByteArray all;
  all.reserve(qsizetype(records.size()) * kSceneRecordSize);
  for (const SceneRecord& r : records) all += r.encode();
  return writeFileAtomically(path, all, error);
}

bool appendScene(const QString& path, const SceneRecord& record, QString* error) {
  std::vector<SceneRecord> scenes;
  if (QFile::exists(path)) {
    auto read = readSceneFile(path, error);
    if (!read) return false;
    scenes = std::move(*read);
  }
  scenes.push_back(record);
  return writeSceneFile(path, scenes, error);
}

bool replaceScene(const QString& path, int index, const SceneRecord& record, QString* error) {
  auto scenes = readSceneFile(path, error);
  if (!scenes) return false;
  if (index < 0 || index >= int(scenes->size())) {
    if (error) *error = path + ": there is no scene " + QString::number(index) + ".";
    return false;
  }
  (*scenes)[size_t(index)] = record;
  return writeSceneFile(path, *scenes, error);
}

bool deleteScene(const QString& path, int index, QString* error) {
  auto scenes = readSceneFile(path, error);
  if (!scenes) return false;
  if (index < 0 || index >= int(scenes->size())) {
    if (error) *error = path + ": there is no scene " + QString::number(index) + ".";
    return false;
  }
  scenes->erase(scenes->begin() + index);
  return writeSceneFile(path, *scenes, error);
}

void fillBumpSceneTable(const std::vector<SceneRecord>& scenes, std::array<int16_t, kBumpKeys>& table) {
  for (int r = 0; r < int(scenes.size()); ++r) {
    const int key = scenes[size_t(r)].bumpKey();
    if (key >= 0 && key < kBumpKeys) table[size_t(key)] = int16_t(r);
  }
}
