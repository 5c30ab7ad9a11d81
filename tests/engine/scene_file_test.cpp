#include "console/engine/scene_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {
QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(bytes), bytes.size());
}
}  // namespace

TEST(SceneRecord, FieldsSitAtTheirOffsets) {
  const SceneRecord r = makeScene("Front wash", {100, 50}, -1);
  const QByteArray b = r.encode();
  ASSERT_EQ(b.size(), 1110);
  EXPECT_EQ(uint8_t(b[0]), 10);  // length byte
  EXPECT_EQ(b.mid(1, 10), QByteArray("Front wash"));
  EXPECT_EQ(uint8_t(b[61]), 100);  // channel 1
  EXPECT_EQ(uint8_t(b[62]), 50);   // channel 2
  EXPECT_EQ(uint8_t(b[63]), 0);
  EXPECT_EQ(uint8_t(b[1086]), 0xFF);  // bump key -1, little-endian
  EXPECT_EQ(uint8_t(b[1087]), 0xFF);
  EXPECT_EQ(uint8_t(b[1088]), 0);  // flag
  EXPECT_EQ(b.mid(1089), QByteArray(21, '\0'));

  EXPECT_EQ(makeScene("x", {}, 3).bumpKey(), 3);
  EXPECT_EQ(uint8_t(makeScene("x", {}, 3).encode()[1086]), 3);
}

TEST(SceneRecord, LongNameIsCutTo60) {
  const SceneRecord r = makeScene(QString(70, 'a'), {}, -1);
  EXPECT_EQ(r.name(), QString(60, 'a'));
  EXPECT_EQ(uint8_t(r.encode()[0]), 60);
}

TEST(SceneRecord, DecodeEncodeKeepsEveryByte) {
  QByteArray raw(1110, '\0');
  for (int i = 0; i < raw.size(); ++i) raw[i] = char((i * 7 + 3) & 0xFF);
  raw[0] = char(5);
  const SceneRecord r = SceneRecord::decode(raw);
  EXPECT_EQ(r.encode(), raw);
  EXPECT_EQ(r.level(1), uint8_t(raw[61]));
  EXPECT_EQ(r.level(1024), uint8_t(raw[1084]));
}

TEST(SceneFile, RoundTripIsByteExact) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.scne");
  QByteArray original;
  for (int r = 0; r < 3; ++r) {
    QByteArray rec(1110, '\0');
    for (int i = 0; i < rec.size(); ++i) rec[i] = char((i + r * 31) & 0xFF);
    rec[0] = char(8);
    original += rec;
  }
  writeBytes(path, original);
  auto scenes = readSceneFile(path);
  ASSERT_TRUE(scenes);
  ASSERT_EQ(scenes->size(), 3u);
  ASSERT_TRUE(writeSceneFile(path, *scenes));
  EXPECT_EQ(fileBytes(path), original);
  // Changing one record's key leaves every other byte as it was.
  SceneRecord second = (*scenes)[1];
  second.setBumpKey(2);
  ASSERT_TRUE(replaceScene(path, 1, second));
  QByteArray expected = original;
  expected[1110 + 1086] = char(2);
  expected[1110 + 1087] = char(0);
  EXPECT_EQ(fileBytes(path), expected);
}

TEST(SceneFile, AppendDeleteAndTrailingPartialRecord) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.scne");
  ASSERT_TRUE(appendScene(path, makeScene("one", {10}, -1)));
  ASSERT_TRUE(appendScene(path, makeScene("two", {20}, 1)));
  ASSERT_TRUE(appendScene(path, makeScene("three", {30}, 2)));
  EXPECT_EQ(QFileInfo(path).size(), 3 * 1110);
  ASSERT_TRUE(deleteScene(path, 1));
  auto scenes = readSceneFile(path);
  ASSERT_TRUE(scenes);
  ASSERT_EQ(scenes->size(), 2u);
  EXPECT_EQ((*scenes)[0].name(), "one");
  EXPECT_EQ((*scenes)[1].name(), "three");
  EXPECT_EQ((*scenes)[1].level(1), 30);
  EXPECT_FALSE(deleteScene(path, 5));
  EXPECT_FALSE(readScene(path, 2));

  // A damaged tail is not a record.
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::Append));
  f.write("junk");
  f.close();
  EXPECT_EQ(readSceneFile(path)->size(), 2u);
  QString error;
  EXPECT_FALSE(readSceneFile(dir.filePath("missing.scne"), &error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(SceneFile, BumpSceneTableTakesKeysOfRecords) {
  std::vector<SceneRecord> scenes{makeScene("a", {}, 1), makeScene("b", {}, 1), makeScene("c", {}, -1),
                                  makeScene("d", {}, 9), makeScene("e", {}, 7)};
  std::array<int16_t, 8> table{0, 0, 0, 0, 0, 0, 4, 0};
  fillBumpSceneTable(scenes, table);
  EXPECT_EQ(table[1], 1);  // the later record with the key wins
  EXPECT_EQ(table[7], 4);
  EXPECT_EQ(table[6], 4);  // named by no record: kept
  EXPECT_EQ(table[0], 0);
}

TEST(SceneFile, FailedWriteLeavesTheFileAsItWas) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.scne");
  ASSERT_TRUE(appendScene(path, makeScene("one", {10}, -1)));
  const QByteArray before = fileBytes(path);
  QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
  QString error;
  const bool wrote = appendScene(path, makeScene("two", {20}, -1), &error);
  QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  if (wrote) GTEST_SKIP() << "running with rights that ignore folder permissions";
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(fileBytes(path), before);
}

TEST(WholeFileWrite, AFailedRenameLeavesNoTemporaryFileBehind) {
  QTemporaryDir dir;
  // The target is a folder with something in it: the rename over it fails whatever the rights.
  const QString target = dir.filePath("show.scne");
  ASSERT_TRUE(QDir(dir.path()).mkpath("show.scne/inside"));
  QString error;
  EXPECT_FALSE(writeSceneFile(target, {makeScene("x", {}, -1)}, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{"show.scne"});
  EXPECT_TRUE(QFileInfo(target + "/inside").isDir());
}
