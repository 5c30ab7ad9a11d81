#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/file_limits.h"

namespace {
QByteArray readAll(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}
void writeAll(const QString& path, const QByteArray& data) {
  QFile f(path);
  f.open(QIODevice::WriteOnly | QIODevice::Truncate);
  f.write(data);
}
}  // namespace

TEST(IniFile, NamesMatchWithoutRegardToCase) {
  IniFile ini;
  ini.setText("[settings]\nnetport=6000\nVqPaddr=10.0.0.1\n");
  EXPECT_EQ(ini.readInteger("Settings", "NetPort", 5085), 6000);
  EXPECT_EQ(ini.readString("SETTINGS", "VqPAddr", ""), "10.0.0.1");
  ini.writeString("Settings", "VQPADDR", "127.0.0.1");
  EXPECT_EQ(ini.keys("Settings"), QStringList({"netport", "VqPaddr"}));
  EXPECT_EQ(ini.readString("Settings", "vqpaddr", ""), "127.0.0.1");
}

TEST(IniFile, ValuesOfTheWrongFormReadAsTheDefault) {
  IniFile ini;
  ini.setText("[S]\nn=12a\nm=\nb=maybe\nh=$1F\nt=1\nf=0\nx=2.5\n");
  EXPECT_EQ(ini.readInteger("S", "n", 7), 7);
  EXPECT_EQ(ini.readInteger("S", "m", 7), 7);
  EXPECT_EQ(ini.readInteger("S", "missing", 7), 7);
  EXPECT_EQ(ini.readInteger("S", "h", 0), 31);
  EXPECT_TRUE(ini.readBool("S", "b", true));
  EXPECT_FALSE(ini.readBool("S", "b", false));
  EXPECT_TRUE(ini.readBool("S", "t", false));
  EXPECT_FALSE(ini.readBool("S", "f", true));
  EXPECT_DOUBLE_EQ(ini.readFloat("S", "x", 0), 2.5);
}

TEST(IniFile, WriterKeepsEveryOtherLineInItsOrder) {
  QTemporaryDir dir;
  const QString path = dir.filePath("v.ini");
  writeAll(path, "; comment\r\n[Settings]\r\nZeta=1\r\nMaxChannels=512\r\n\r\n[Unknown]\r\nfoo=bar\r\n");
  IniFile ini(path);
  ini.writeInteger("settings", "maxchannels", 1024);    // existing key keeps its spelling and place
  ini.writeBool("Settings", "ShowProgress", true);      // new key at the end of its section
  ini.writeString("CueFile", "Last", "/shows/a.lcue");  // new section at the end
  ASSERT_TRUE(ini.save());
  EXPECT_EQ(
      readAll(path),
      "; "
      "comment\r\n[Settings]\r\nZeta=1\r\nMaxChannels=1024\r\nShowProgress=1\r\n\r\n[Unknown]\r\nfoo=bar\r\n"
      "\r\n[CueFile]\r\nLast=/shows/a.lcue\r\n");
}

TEST(IniFile, MissingFileReadsEmptyAndIsCreatedByTheFirstSave) {
  QTemporaryDir dir;
  const QString path = dir.filePath("new.ini");
  IniFile ini(path);
  EXPECT_EQ(ini.readString("Settings", "Style", "Charcoal Dark Slate"), "Charcoal Dark Slate");
  EXPECT_TRUE(ini.saveIfModified());
  EXPECT_FALSE(QFile::exists(path)) << "reading alone must not create the file";
  ini.writeInteger("Settings", "Wheel", 5);
  ASSERT_TRUE(ini.saveIfModified());
  EXPECT_EQ(readAll(path), "[Settings]\r\nWheel=5\r\n");
}

TEST(IniFile, ByteOrderMarkIsKeptWhenPresent) {
  QTemporaryDir dir;
  const QString path = dir.filePath("bom.ini");
  writeAll(path, "\xEF\xBB\xBF[Groups]\r\ng0=1,2\r\n");
  IniFile ini(path);
  EXPECT_EQ(ini.readString("Groups", "g0", ""), "1,2");
  ini.writeString("Groups", "g1", "3");
  ASSERT_TRUE(ini.save());
  EXPECT_EQ(readAll(path), "\xEF\xBB\xBF[Groups]\r\ng0=1,2\r\ng1=3\r\n");
}

TEST(IniFile, DeleteKeyAndEraseSection) {
  IniFile ini;
  ini.setText("[A]\nx=1\ny=2\n[B]\nz=3\n");
  ini.deleteKey("a", "X");
  ini.eraseSection("b");
  EXPECT_EQ(ini.text(), "[A]\r\ny=2\r\n");
}

TEST(IniFile, LookupsStayRightThroughEditsOfRepeatedSectionsAndKeys) {
  IniFile ini;
  ini.setText("k0=before\n[A]\nx=1\nX=dup\n\n[b]\ny=2\n[a]\nx=3\nz=4\n");
  // Keys before the first header belong to no section; the first line of a key wins, across
  // every header of the section's name.
  EXPECT_EQ(ini.readString("", "k0", "none"), "none");
  EXPECT_EQ(ini.readString("a", "X", ""), "1");
  EXPECT_EQ(ini.readString("A", "z", ""), "4");
  EXPECT_EQ(ini.keys("A"), QStringList({"x", "X", "x", "z"}));
  EXPECT_EQ(ini.sections(), QStringList({"A", "b"}));

  ini.writeString("A", "new", "n");  // into the first [A], before its blank line
  ini.writeString("a", "x", "one");  // the first x only
  EXPECT_EQ(ini.readString("B", "y", ""), "2");
  EXPECT_EQ(ini.readString("a", "z", ""), "4");
  EXPECT_EQ(ini.readString("a", "NEW", ""), "n");
  EXPECT_EQ(ini.text(),
            "k0=before\r\n[A]\r\nx=one\r\nX=dup\r\nnew=n\r\n\r\n[b]\r\ny=2\r\n[a]\r\nx=3\r\nz=4\r\n");

  // Every line of a key goes, in every header of the name; the lines after them are still found.
  ini.deleteKey("A", "x");
  EXPECT_FALSE(ini.valueExists("a", "x"));
  EXPECT_EQ(ini.readString("a", "z", ""), "4");
  EXPECT_EQ(ini.readString("b", "y", ""), "2");
  EXPECT_EQ(ini.readString("A", "new", ""), "n");
  ini.deleteKey("A", "missing");

  ini.writeString("B", "w", "5");
  ini.writeString("C", "c", "6");  // a new section at the end
  ini.writeString("c", "d", "7");
  EXPECT_EQ(ini.readString("a", "z", ""), "4");
  EXPECT_EQ(ini.readString("C", "D", ""), "7");

  ini.eraseSection("a");
  EXPECT_FALSE(ini.sectionExists("A"));
  EXPECT_EQ(ini.readString("a", "z", "gone"), "gone");
  EXPECT_EQ(ini.readString("b", "w", ""), "5");
  EXPECT_EQ(ini.readString("c", "c", ""), "6");
  EXPECT_EQ(ini.text().toStdString(), "k0=before\r\n[b]\r\ny=2\r\nw=5\r\n[C]\r\nc=6\r\nd=7\r\n");
}

TEST(IniFile, AFileNearTheSizeLimitIsReadWhole) {
  // Many keys and many sections, as a file grown by other tools might hold: every one is found,
  // the last as well as the first.
  QByteArray text = "[Settings]\r\n";
  int keys = 0;
  while (text.size() < file_limit::kIniFile - 4096) {
    text += "Key" + QByteArray::number(keys) + "=" + QByteArray::number(keys * 7) + "\r\n";
    if (++keys % 1000 == 0) text += "[Section" + QByteArray::number(keys / 1000) + "]\r\n";
  }
  text += "[SETTINGS]\r\nMaxChannels=512\r\n";
  QTemporaryDir dir;
  const QString path = dir.filePath("big.ini");
  writeAll(path, text);
  IniFile ini(path);
  ASSERT_FALSE(ini.unreadable());
  EXPECT_EQ(ini.readInteger("settings", "maxchannels", 256), 512);
  EXPECT_EQ(ini.readInteger("Settings", "Key0", -1), 0);
  const int last = keys - 1;
  EXPECT_EQ(ini.readInteger("section" + QString::number(last / 1000), "KEY" + QString::number(last), -1),
            last * 7);
  EXPECT_EQ(ini.sections().size(), keys / 1000 + 1);
  ini.writeInteger("Settings", "Key0", 1);
  ini.writeInteger("Settings", "Added", 2);
  ASSERT_TRUE(ini.save());
  EXPECT_EQ(IniFile(path).readInteger("Settings", "Added", -1), 2);
  EXPECT_EQ(readAll(path).size(), text.size() + qsizetype(sizeof("Added=2\r\n")) - 1);
}

TEST(IniFile, WindowsCodePageBytesAreReadAndKept) {
  QTemporaryDir dir;
  const QString path = dir.filePath("vqlighting.ini");
  // Another tool wrote a show path with "é" (0xE9) and a comment with "ü" (0xFC) in Windows-1252.
  const QByteArray written =
      "; r\xFC"
      "ckseite\r\n[Settings]\r\nShow=C:\\Shows\\Caf\xE9.lcue\r\n"
      "Title = Sc\xE8ne\r\nLogging=0\r\n";
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(written);
  }
  IniFile ini(path);
  EXPECT_EQ(ini.readString("Settings", "Show", ""), QString::fromUtf8("C:\\Shows\\Caf\xC3\xA9.lcue"));
  EXPECT_EQ(ini.readString("Settings", "Title", ""), QString::fromUtf8("Sc\xC3\xA8ne"));
  ini.writeInteger("Settings", "Logging", 2);
  ASSERT_TRUE(ini.save());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QByteArray expected = written;
  expected.replace("Logging=0", "Logging=2");
  EXPECT_EQ(f.readAll(), expected) << "lines the console did not change are kept byte for byte";
}

TEST(IniFile, AFileThatCannotBeReadIsNeverOverwritten) {
  QTemporaryDir dir;
  // A path that exists but cannot be read as a file.
  const QString path = dir.filePath("vqlighting.ini");
  ASSERT_TRUE(QDir().mkdir(path));
  ASSERT_TRUE(QDir().mkdir(path + "/inside"));
  IniFile ini;
  EXPECT_FALSE(ini.load(path));
  ini.writeString("Settings", "Logging", "1");
  EXPECT_FALSE(ini.save());
  EXPECT_EQ(ini.errorString(), "The file \"" + path + "\" could not be read, so it is not overwritten.");
  EXPECT_TRUE(QFileInfo(path + "/inside").isDir());
}

TEST(IniFile, AFileFarLargerThanAnyIniFileIsRefusedUnreadAndNeverOverwritten) {
  QTemporaryDir dir;
  const QString path = dir.filePath("big.ini");
  const qint64 size = file_limit::kIniFile + 1;
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.write("[Settings]\r\nMaxChannels=512\r\n") > 0);
    ASSERT_TRUE(f.resize(size));  // sparse beyond the first line
  }
  IniFile ini;
  EXPECT_FALSE(ini.load(path));
  EXPECT_TRUE(ini.unreadable());
  EXPECT_EQ(ini.refusedSize(), size);
  EXPECT_EQ(ini.readInteger("Settings", "MaxChannels", 256), 256) << "read as missing";
  EXPECT_TRUE(ini.errorString().contains(QDir::toNativeSeparators(path))) << ini.errorString().toStdString();
  EXPECT_TRUE(ini.errorString().contains("4.0 MB")) << ini.errorString().toStdString();

  ini.writeInteger("Settings", "MaxChannels", 64);
  EXPECT_FALSE(ini.save());
  EXPECT_FALSE(ini.saveIfModified());
  EXPECT_EQ(QFileInfo(path).size(), size);
  EXPECT_FALSE(QFileInfo::exists(path + ".new"));

  // Just within the limit it is read.
  ASSERT_TRUE(QFile::resize(path, file_limit::kIniFile));
  EXPECT_TRUE(ini.load(path));
  EXPECT_EQ(ini.readInteger("Settings", "MaxChannels", 256), 512);
}

TEST(FileLimits, SizesReadAsAnOperatorReadsThem) {
  const std::pair<qint64, const char*> cases[] = {{0, "0 bytes"},
                                                  {1, "1 byte"},
                                                  {1023, "1023 bytes"},
                                                  {1536, "1.5 KB"},
                                                  {25 * file_limit::kMiB, "25.0 MB"},
                                                  {3LL * 1024 * file_limit::kMiB, "3.0 GB"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(fileSizeText(bytes), text) << bytes;
  QTemporaryDir dir;
  const QString path = dir.filePath("f");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(100));
  EXPECT_EQ(sizeOverLimit(path, 100), 0);
  EXPECT_EQ(sizeOverLimit(path, 99), 100);
  EXPECT_EQ(sizeOverLimit(dir.filePath("missing"), 0), 0);
}
