#pragma once

// Where an installed fixture's intensity channel is: the fixture map gives the type and start
// address of the fixture at an address, the fixture library the type's intensity channel. Both
// files are held in memory and read again only when they change on disk, so the patch can ask for
// every fixture channel without reopening them.

#include <QString>
#include <filesystem>
#include <optional>

#include "console/patch/fixture_library.h"
#include "console/patch/fixture_map.h"

class FixtureIntensity {
 public:
  // The 0-based level-edit index of the intensity channel of the fixture at address `which` (its
  // start address + intensity channel - 2); -1 when the type is not in the library or has no
  // intensity channel; nothing when either file cannot be read.
  std::optional<int> lookup(const QString& mapFile, const QString& libraryFile, int which);

 private:
  struct Stamp {
    QString path;
    std::filesystem::file_time_type modified{};
    std::uintmax_t size = 0;
    bool operator==(const Stamp&) const = default;
  };
  static std::optional<Stamp> stampOf(const QString& path);
  bool loadMap(const QString& path);
  bool loadLibrary(const QString& path);

  std::optional<Stamp> mapStamp_, libraryStamp_;
  FixtureMap::Table types_{}, starts_{};
  FixtureLibrary library_;
};
