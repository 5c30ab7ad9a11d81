#include "console/engine/fixture_intensity.h"

#include <system_error>

std::optional<FixtureIntensity::Stamp> FixtureIntensity::stampOf(const QString& path) {
  std::error_code error;
  const std::filesystem::path p = path.toStdString();
  Stamp stamp{path, std::filesystem::last_write_time(p, error), 0};
  if (error) return std::nullopt;
  stamp.size = std::filesystem::file_size(p, error);
  if (error) return std::nullopt;
  return stamp;
}

bool FixtureIntensity::loadMap(const QString& path) {
  const std::optional<Stamp> stamp = stampOf(path);
  if (!stamp) return mapStamp_.reset(), false;
  if (stamp == mapStamp_) return true;
  mapStamp_.reset();
  FixtureMapFile map;
  if (!map.open(path) || !map.readTable(FixtureMapRecord::Types, types_) ||
      !map.readTable(FixtureMapRecord::Start, starts_))
    return false;
  mapStamp_ = stamp;
  return true;
}

bool FixtureIntensity::loadLibrary(const QString& path) {
  const std::optional<Stamp> stamp = stampOf(path);
  if (!stamp) return libraryStamp_.reset(), false;
  if (stamp == libraryStamp_) return true;
  libraryStamp_.reset();
  library_.clear();
  if (!readFixtureLibrary(path, library_)) return false;
  libraryStamp_ = stamp;
  return true;
}

std::optional<int> FixtureIntensity::lookup(const QString& mapFile, const QString& libraryFile, int which) {
  if (which < 1 || which >= int(types_.size())) return -1;
  if (!loadMap(mapFile) || !loadLibrary(libraryFile)) return std::nullopt;
  const FixtureTypeRecord* type = findFixtureType(library_, types_[size_t(which)]);
  // A type without an intensity channel has none to drive.
  if (!type || type->intensity <= 0) return -1;
  return starts_[size_t(which)] + type->intensity - 2;
}
