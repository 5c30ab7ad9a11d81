// The intensity channel of an installed fixture from the fixture map and the library, held in
// memory and read again when a file changes.

#include "console/engine/fixture_intensity.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/support/fixture_show_files.h"

namespace {
bool writeMap(const QString& path, int start, int type) {
  FixtureMap::Table starts{}, other{}, types{};
  for (int a = start; a < start + 4; ++a)
    starts[size_t(a)] = int16_t(start), types[size_t(a)] = int16_t(type);
  return writeFixtureMapFile(path, starts, other, types, other);
}
FixtureTypeRecord type(int id, int intensity) {
  FixtureTypeRecord t;
  t.name = "T" + QString::number(id);
  t.id = id;
  t.intensity = int16_t(intensity);
  return t;
}
}  // namespace

TEST(FixtureIntensity, FindsTheIntensityEditAndFollowsTheFiles) {
  QTemporaryDir dir;
  const QString map = dir.filePath("show.fmap"), library = dir.filePath("show.lfix");
  FixtureIntensity lookup;
  EXPECT_EQ(lookup.lookup(map, library, 20), std::nullopt) << "no files";

  ASSERT_TRUE(writeMap(map, 20, 5));
  ASSERT_TRUE(writeFixtureLibrary(library, {type(4, 1), type(5, 4)}).ok());
  EXPECT_EQ(lookup.lookup(map, library, 20), 22) << "start 20 + channel 4 - 2";
  EXPECT_EQ(lookup.lookup(map, library, 22), 22) << "any address of the fixture";
  EXPECT_EQ(lookup.lookup(map, library, 30), -1) << "no fixture there";
  EXPECT_EQ(lookup.lookup(map, library, 0), -1);
  EXPECT_EQ(lookup.lookup(map, library, 1025), -1);

  // Files changed on disk are read again.
  ASSERT_TRUE(writeFixtureLibrary(library, {type(5, 0)}).ok());
  EXPECT_EQ(lookup.lookup(map, library, 20), -1) << "a type without an intensity channel";
  ASSERT_TRUE(writeFixtureLibrary(library, {type(5, 2)}).ok());
  ASSERT_TRUE(writeMap(map, 40, 5));
  EXPECT_EQ(lookup.lookup(map, library, 41), 40);
  EXPECT_EQ(lookup.lookup(map, library, 20), -1);

  QFile::remove(map);
  EXPECT_EQ(lookup.lookup(map, library, 41), std::nullopt) << "a map gone is an error";
}
