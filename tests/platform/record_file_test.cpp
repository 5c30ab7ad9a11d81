#include "platform/record_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray record(char fill, int size = 8) { return QByteArray(size, fill); }

TEST(RecordFileTest, CountsReadsWritesAndTruncatesWholeRecords) {
  QTemporaryDir dir;
  const QString path = dir.filePath("r.bin");
  RecordFile f(8);
  EXPECT_FALSE(f.open(path));  // open never creates
  ASSERT_TRUE(f.create(path));
  EXPECT_EQ(f.count(), 0);
  EXPECT_TRUE(f.write(0, record('a')));
  EXPECT_TRUE(f.write(1, record('b')));
  EXPECT_FALSE(f.write(3, record('d')));     // no gaps
  EXPECT_FALSE(f.write(2, record('c', 7)));  // only whole records
  EXPECT_TRUE(f.write(0, record('A')));      // overwrite
  EXPECT_EQ(f.count(), 2);
  QByteArray r;
  ASSERT_TRUE(f.read(1, r));
  EXPECT_EQ(r, record('b'));
  EXPECT_FALSE(f.read(2, r));
  EXPECT_FALSE(f.read(-1, r));
  EXPECT_TRUE(f.truncate(1));
  EXPECT_EQ(f.count(), 1);
  f.close();

  // A trailing partial record is neither counted nor read.
  QFile raw(path);
  ASSERT_TRUE(raw.open(QIODevice::Append));
  raw.write("xyz");
  raw.close();
  ASSERT_TRUE(f.open(path));
  EXPECT_EQ(f.count(), 1);
  ASSERT_TRUE(f.read(0, r));
  EXPECT_EQ(r, record('A'));
  EXPECT_FALSE(f.read(1, r));
}

TEST(RecordFileTest, LittleEndianFields) {
  QByteArray b(8, '\0');
  le::put32(b, 0, 0x12345678);
  le::put16(b, 4, 0xFFFE);
  EXPECT_EQ(b.left(6), QByteArray("\x78\x56\x34\x12\xFE\xFF", 6));
  EXPECT_EQ(le::u32(b, 0), 0x12345678u);
  EXPECT_EQ(le::i16(b, 4), -2);
  le::put32(b, 0, uint32_t(-5));
  EXPECT_EQ(le::i32(b, 0), -5);
}

TEST(RecordFileTest, ShortStringsKeepUnusedBytesAndUseWindows1252) {
  QByteArray r(10, 'z');
  writeShortString(r, 1, 5,
                   QString::fromUtf8("\xE2\x82\xAC"
                                     "ab"));  // euro sign
  EXPECT_EQ(r, QByteArray("z\x03\x80"
                          "abzzzzz",
                          10));
  EXPECT_EQ(readShortString(r, 1, 5), QString::fromUtf8("\xE2\x82\xAC"
                                                        "ab"));
  writeShortString(r, 1, 5, "abcdefgh");  // cut to the capacity
  EXPECT_EQ(r, QByteArray("z\x05"
                          "abcdezzz",
                          10));
  r[1] = char(200);  // a length beyond the capacity reads as the capacity
  EXPECT_EQ(readShortString(r, 1, 5), "abcde");
  EXPECT_EQ(toWindows1252(QString::fromUtf8("\xC3\xA9\xE4\xB8\xAD")),
            QByteArray("\xE9?"));  // é, and a
                                   // character 1252 lacks
  EXPECT_EQ(fromWindows1252(QByteArray("\x81\x9F", 2)), QString::fromUtf8("\xEF\xBF\xBD\xC5\xB8"));
}

}  // namespace
