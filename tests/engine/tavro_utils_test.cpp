#include "console/engine/tavro_utils.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <stdexcept>

#include "platform/ini_file.h"

TEST(SplitStr, PiecesAroundSeparators) {
  struct Case {
    QByteArray text;
    std::vector<QByteArray> pieces;
  } cases[] = {
      {"", {""}},        {"5", {"5"}}, {"|", {""}}, {"|12|7|", {"", "12", "7"}}, {"a,,b", {"a", "", "b"}},
      {",a", {"", "a"}},
  };
  for (const Case& c : cases) {
    const char sep = c.text.contains('|') ? '|' : ',';
    EXPECT_EQ(SplitStr(c.text, sep), c.pieces) << c.text.constData();
  }
}

TEST(SafeConversions, RejectedTextGivesZero) {
  EXPECT_EQ(StrToIntSafe(""), 0);
  EXPECT_EQ(StrToIntSafe("12a"), 0);
  EXPECT_EQ(StrToIntSafe("12"), 12);
  EXPECT_EQ(StrToIntSafe("-7"), -7);
  EXPECT_EQ(StrToIntSafe("$FF"), 255);
  EXPECT_EQ(StrToIntSafe("99999999999"), 0);
  EXPECT_EQ(AnsiToIntSafe("42"), 42);
  EXPECT_DOUBLE_EQ(StrToFloatSafe("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(StrToFloatSafe("x"), 0);
  EXPECT_DOUBLE_EQ(StrToFloatSafe(""), 0);
}

TEST(HexDump, UpperCaseGroupsWithAMarkEveryFiftyBytes) {
  EXPECT_EQ(HexDump(QByteArray("\x00\x7E\xFF", 3)), "00 7E FF ");
  EXPECT_EQ(HexDump(QByteArray()), "");
  const QByteArray dump = HexDump(QByteArray(100, '\x01'));
  EXPECT_EQ(dump, QByteArray("01 ").repeated(50) + "* " + QByteArray("01 ").repeated(50) + "* ");
}

TEST(DpiScale, MulDivRounding) {
  EXPECT_EQ(DpiScaleAt(16, 144), 24);
  EXPECT_EQ(DpiScaleAt(37, 96), 37);
  EXPECT_EQ(MulDiv(5, 1, 2), 3);  // halves away from zero
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(7, 120, 96), 9);  // 8.75
}

TEST(Fonts, SaveAndLoadOneKey) {
  IniFile ini;
  TFont font;
  ini.setText("[Settings]\nFont=Arial,0,255,12,1\n");
  LoadFont(ini, "Settings", font);
  EXPECT_EQ(font.Name, "Arial");
  EXPECT_EQ(font.Charset, 0);
  EXPECT_EQ(font.Color, 255);
  EXPECT_EQ(font.Size, 12);
  EXPECT_EQ(font.Style, 1);
  EXPECT_TRUE(font.toQFont().bold());

  TFont kept;
  const TFont before = kept;
  ini.setText("[Settings]\nFont=Verdana,,,,\n");
  LoadFont(ini, "Settings", kept);
  EXPECT_EQ(kept.Name, "Verdana");
  EXPECT_EQ(kept.Size, before.Size);
  EXPECT_EQ(kept.Style, before.Style);

  TFont unchanged;
  ini.setText("");
  LoadFont(ini, "Settings", unchanged);
  EXPECT_EQ(unchanged.Name, before.Name);

  ini.setText("[Settings]\nFont=Tahoma, x ,3,y\n");  // missing fourth comma: size onwards untouched
  TFont partial;
  LoadFont(ini, "Settings", partial);
  EXPECT_EQ(partial.Name, "Tahoma");
  EXPECT_EQ(partial.Charset, before.Charset);
  EXPECT_EQ(partial.Color, 3);
  EXPECT_EQ(partial.Size, before.Size);

  SaveFont(ini, "Settings", font);
  EXPECT_EQ(ini.readString("Settings", "Font", ""), "Arial,0,255,12,1");
}

TEST(CopyFileStream, CopiesWholeFilesAndRaisesErrors) {
  QTemporaryDir dir;
  QByteArray data(3 * 1048576 + 17, '\0');
  for (int i = 0; i < data.size(); ++i) data[i] = char(i * 7);
  QFile src(dir.filePath("a.lcue"));
  ASSERT_TRUE(src.open(QIODevice::WriteOnly));
  src.write(data);
  src.close();
  CopyFileStream(dir.filePath("a.lcue"), dir.filePath("b.lcue"));
  QFile dst(dir.filePath("b.lcue"));
  ASSERT_TRUE(dst.open(QIODevice::ReadOnly));
  EXPECT_EQ(dst.readAll(), data);
  EXPECT_THROW(CopyFileStream(dir.filePath("missing"), dir.filePath("c")), std::runtime_error);
  EXPECT_THROW(CopyFileStream(dir.filePath("a.lcue"), dir.filePath("no/such/dir/c")), std::runtime_error);
}

TEST(WriteLog, AppendsTimeStampedLinesInTheCurrentFolder) {
  QTemporaryDir dir;
  const QString old = QDir::currentPath();
  QDir::setCurrent(dir.path());
  WriteLog("abc");
  WriteLog("def");
  QDir::setCurrent(old);
  QFile f(dir.filePath("LogFile.txt"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString text = QString::fromLocal8Bit(f.readAll());
  const QRegularExpression line(
      "^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} - abc\r\n\\d\\d:\\d\\d:\\d\\d\\.\\d{3} - def\r\n$");
  EXPECT_TRUE(line.match(text).hasMatch()) << text.toStdString();
}
