#include "console/patch/fixture_library.h"

#include <QFile>
#include <QFileInfo>

namespace {
// A library of more records than this is not a library (1024 addresses hold at most 1024 types).
constexpr qint64 kMaxLibraryBytes = qint64(kFixtureTypeRecordSize) * 65536;
}  // namespace

bool readFixtureLibrary(const QString& path, FixtureLibrary& library) {
  library.clear();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.read(kMaxLibraryBytes);
  for (qsizetype at = 0; at + kFixtureTypeRecordSize <= bytes.size(); at += kFixtureTypeRecordSize) {
    FixtureTypeRecord r;
    decodeFixtureTypeRecord(bytes.mid(at, kFixtureTypeRecordSize), r);
    library.push_back(r);
  }
  return true;
}

static QByteArray libraryBytes(const FixtureLibrary& library) {
  QByteArray bytes;
  bytes.reserve(qsizetype(library.size()) * kFixtureTypeRecordSize);
  for (const FixtureTypeRecord& r : library) bytes += encodeFixtureTypeRecord(r);
  return bytes;
}

PatchFileResult writeFixtureLibrary(const QString& path, const FixtureLibrary& library) {
  return patch::writeWholeFile(path, libraryBytes(library));
}

PatchFileResult createFixtureLibraryIfMissing(const QString& path) {
  if (QFileInfo::exists(path)) return PatchFileResult::success();
  return patch::writeWholeFile(path, QByteArray());
}

const FixtureTypeRecord* findFixtureType(const FixtureLibrary& library, int id) {
  for (const FixtureTypeRecord& r : library)
    if (r.id == id) return &r;
  return nullptr;
}

int nextFixtureTypeId(const FixtureLibrary& library, int nextLight) {
  int id = nextLight + 1;
  while (findFixtureType(library, id)) ++id;
  return id;
}

PatchFileResult deleteFixtureType(const QString& path, int id, FixtureTypeRecord* deleted) {
  FixtureLibrary library;
  if (!readFixtureLibrary(path, library)) return PatchFileResult::fileError(patch::fileNotFound(path));
  FixtureLibrary kept;
  bool found = false;
  for (const FixtureTypeRecord& r : library) {
    if (r.id == id) {
      if (!found && deleted) *deleted = r;
      found = true;
      continue;
    }
    kept.push_back(r);
  }
  if (!found) return PatchFileResult::refused();
  return patch::writeWholeFile(path, libraryBytes(kept), "temp.lfix");
}
