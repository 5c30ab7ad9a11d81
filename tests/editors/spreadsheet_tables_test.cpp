#include "console/editors/spreadsheet_tables.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "console/engine/console_state.h"
#include "console/patch/soft_patch_file.h"
#include "tests/engine/cue_test_util.h"

namespace {

// A show of `channels` channels with the given cues (number text, description, levels by channel).
ConsoleState showWith(int channels, const std::vector<std::pair<QString, QString>>& cues) {
  ConsoleState S;
  S.MaxChannels = channels;
  S.Cues.resize(int(cues.size()));
  S.Cues.CueCount = int(cues.size());
  for (int r = 1; r <= int(cues.size()); ++r) {
    S.Cues.CueListRows[size_t(r)].number = cues[size_t(r - 1)].first;
    S.Cues.CueListRows[size_t(r)].description = cues[size_t(r - 1)].second;
    S.Cues.CueTexts[CueTextColumn::Levels][size_t(r)] = QByteArray(kCueLevelCount, '\0');
  }
  return S;
}

void setLevel(ConsoleState& S, int row, int channel, int byte) {
  S.Cues.CueTexts[CueTextColumn::Levels][size_t(row)][channel - 1] = char(byte);
}

}  // namespace

TEST(Spreadsheet, CueSheetColumnsAndTheExportCaption) {
  struct Case {
    int channels, columns;
    const char* caption;
  };
  for (const Case& c : {Case{256, 258, "Export to XLSX"}, Case{253, 255, "Export to XLS"},
                        Case{254, 256, "Export to XLSX"}}) {
    CueSheetModel m;
    m.rebuild(showWith(c.channels, {}));
    EXPECT_EQ(m.columnCount(), c.columns);
    EXPECT_EQ(workbookCaption(m.sheetColumns()), c.caption);
  }
  EXPECT_EQ(workbookCaption(3), "Export to XLS");
}

TEST(Spreadsheet, CueSheetShowsPercentOrRawLevelsWithAComment) {
  ConsoleState S = showWith(8, {{"1", "Preset"}, {"12.5", "Blackout, slow"}});
  const int bytes[] = {128, 51, 1, 2, 255};
  for (int c = 1; c <= 5; ++c) setLevel(S, 1, c, bytes[c - 1]);
  setLevel(S, 1, 6, 128);
  S.RawChannels[6] = true;
  CueSheetModel m;
  m.rebuild(S);
  EXPECT_EQ(m.rowCount(), 2);
  EXPECT_EQ(m.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Call");
  EXPECT_EQ(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Description");
  EXPECT_EQ(m.headerData(9, Qt::Horizontal, Qt::DisplayRole).toString(), "8");
  QStringList row1;
  for (int c = 0; c < m.columnCount(); ++c) row1 << m.data(m.index(0, c), Qt::DisplayRole).toString();
  EXPECT_EQ(row1, (QStringList{"1", "Preset", "50", "20", "0", "1", "100", "128", "0", "0"}));
  EXPECT_EQ(m.data(m.index(1, 0), Qt::DisplayRole).toString(), "12.5");
  EXPECT_EQ(m.data(m.index(0, 4), Qt::ToolTipRole).toString(), "Preset,3");
  EXPECT_FALSE(m.data(m.index(0, 1), Qt::ToolTipRole).isValid());
  EXPECT_EQ(m.data(m.index(0, 0), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
}

TEST(Spreadsheet, CsvBytesAreExactAndQuoteOnlyWhatNeedsIt) {
  ConsoleState S = showWith(2, {{"1", "Preset"}, {"2", "Say \"hi\", then go"}});
  setLevel(S, 1, 1, 255);
  CueSheetModel m;
  m.rebuild(S);
  EXPECT_EQ(sheetCsv(m),
            QByteArray("Call,Description,1,2\r\n1,Preset,100,0\r\n2,\"Say \"\"hi\"\", then go\",0,0\r\n"));

  CueSheetModel empty;
  empty.rebuild(showWith(3, {}));
  EXPECT_EQ(sheetCsv(empty), QByteArray("Call,Description,1,2,3\r\n"));

  ConsoleState w = showWith(1, {{"1", QString::fromUtf8("Caf\u00e9")}});
  CueSheetModel m1252;
  m1252.rebuild(w);
  EXPECT_EQ(sheetCsv(m1252), QByteArray("Call,Description,1\r\n1,Caf\xe9,0\r\n"));
}

TEST(Spreadsheet, PatchSheetOfANewPatchAndASavedLine) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.spch");
  QByteArray bytes = newPatchFileBytes();
  cue_test::writeBytes(path, bytes);
  PatchSheetModel m;
  ASSERT_TRUE(m.rebuild(path, 4));
  EXPECT_EQ(m.rowCount(), 4);
  EXPECT_EQ(sheetCsv(m), QByteArray("Chnl,Dimmer,Description\r\n1,1,\r\n2,2,\r\n3,3,\r\n4,4,\r\n"));

  cue_test::writeBytes(path, "0\r\n1,1,\r\n,  5 6/50 ,  Front ,101\r\n");
  ASSERT_TRUE(m.rebuild(path, 3));
  EXPECT_EQ(m.data(m.index(1, 0), Qt::DisplayRole).toString(), "2");
  EXPECT_EQ(m.data(m.index(1, 1), Qt::DisplayRole).toString(), "5 6/50");
  EXPECT_EQ(m.data(m.index(1, 2), Qt::DisplayRole).toString(), "Front");
  EXPECT_EQ(m.data(m.index(2, 0), Qt::DisplayRole).toString(), "3");  // beyond the file's lines

  QString error;
  EXPECT_FALSE(m.rebuild(dir.filePath("missing.spch"), 3, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(m.rowCount(), 0);
}

TEST(Spreadsheet, CsvReplacesTheFileWhole) {
  QTemporaryDir dir;
  const QString path = dir.filePath("out.csv");
  cue_test::writeBytes(path, QByteArray(5000, 'x'));
  CueSheetModel m;
  m.rebuild(showWith(2, {{"1", "A"}}));
  ASSERT_TRUE(writeSheetCsv(m, path));
  EXPECT_EQ(cue_test::readBytes(path), QByteArray("Call,Description,1,2\r\n1,A,0,0\r\n"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.csv"});
  EXPECT_FALSE(writeSheetCsv(m, dir.filePath("no/such/folder/out.csv")));
}

TEST(Spreadsheet, WorkbookReadsBackWithOpenpyxl) {
  // Debian's own interpreter carries python3-openpyxl (another one on the PATH may not).
  const QString python =
      QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : QStandardPaths::findExecutable("python3");
  ASSERT_FALSE(python.isEmpty());
  QTemporaryDir dir;
  const QString path = dir.filePath("cues.xls");
  ConsoleState S = showWith(300, {{"1", "Preset"}, {"2.5", "Front, warm"}});
  setLevel(S, 2, 300, 255);
  CueSheetModel m;
  m.rebuild(S);
  ASSERT_TRUE(writeSheetWorkbook(m, path));
  QProcess p;
  p.start(python, {"-c",
                   "import sys, openpyxl\n"
                   "ws = openpyxl.load_workbook(open(sys.argv[1], 'rb')).active\n"
                   "print(ws.max_row, ws.max_column)\n"
                   "print(ws.cell(1,1).value, ws.cell(1,2).value, ws.cell(1,302).value)\n"
                   "print(ws.cell(3,1).value, '|' + ws.cell(3,2).value + '|', ws.cell(3,302).value, "
                   "ws.cell(2,3).value)\n",
                   path});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()),
            "3 302\nCall Description 300\n2.5 |Front, warm| 100 0\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cues.xls"});

  PatchSheetModel patch;
  EXPECT_FALSE(writeSheetWorkbook(patch, dir.filePath("no/such/folder/p.xlsx")));
}
