#include "console/engine/cue_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "console/engine/cue_file_open.h"
#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"

namespace {

using namespace cue_test;

QByteArray oldFile(int records) {
  QByteArray all;
  for (int i = 0; i < records; ++i) {
    OldCueRecord o;
    o.cueNumber = (i + 1) * 100;
    o.description = "Old cue " + QByteArray::number(i + 1);
    o.levels[i] = char(200);
    o.fadeUpTime = 30 + i;
    o.channelCountField = 2560;
    o.lock = i == 0 ? 1 : 0;
    QByteArray r = o.encode();
    r.replace(1135, 17, QByteArray(17, char(0x5A)));  // noise in the unused tail (the mark's length stays 0)
    all += r;
  }
  return all;
}

TEST(CueFileTest, ReadsAndWritesRecords) {
  QTemporaryDir dir;
  const QString path = dir.filePath("show.lcue");
  writeCueFile(path, {cue(100, "a"), cue(200, "b")});
  CueFile f;
  ASSERT_TRUE(f.open(path));
  EXPECT_EQ(f.count(), 2);
  EXPECT_EQ(f.readRecord(1).cueNumber, 200);
  CueRecord c = f.readRecord(0);
  c.cueNumber = 150;
  f.writeRecord(0, c);
  f.writeRecord(2, cue(300, "c"));
  EXPECT_EQ(f.count(), 3);
  EXPECT_THROW(f.readRecord(3), CueFileError);
  f.close();
  EXPECT_FALSE(f.isOpen());
  ASSERT_TRUE(f.reopen());
  EXPECT_EQ(f.readRecord(0).cueNumber, 150);
  EXPECT_EQ(f.path(), path);
  EXPECT_FALSE(f.open(dir.filePath("missing.lcue")));
}

TEST(CueFileTest, RecognisesOldFilesByMarkAndSize) {
  QTemporaryDir dir;
  const QString path = dir.filePath("f.lcue");
  writeBytes(path, oldFile(1));
  EXPECT_TRUE(isOldCueFile(path));  // shorter than one new record
  writeBytes(path, oldFile(10));
  EXPECT_TRUE(isOldCueFile(path));
  writeCueFile(path, {cue(100, "a"), cue(200, "b")});
  EXPECT_FALSE(isOldCueFile(path));
  writeBytes(path, QByteArray());
  EXPECT_FALSE(isOldCueFile(path));
  // A mark of length 0 in a file that is not a whole number of old records is not an old file.
  QByteArray odd = bytesOf({cue(100, "a")});
  odd[1134] = 0;
  writeBytes(path, odd);
  EXPECT_FALSE(isOldCueFile(path));
  EXPECT_FALSE(isOldCueFile(dir.filePath("missing.lcue")));
}

TEST(CueFileTest, ConvertsAnOldFileOfTenRecords) {
  QTemporaryDir dir;
  const QString path = dir.filePath("old.lcue");
  const QByteArray old = oldFile(10);
  writeBytes(path, old);
  CueFile f;
  ConvertFile(f, path);

  const QByteArray converted = readBytes(path);
  ASSERT_EQ(converted.size(), 10 * 1240);
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("qq3q.lcue")));
  for (int i = 0; i < 10; ++i) {
    const CueRecord c = CueRecord::decode(converted.mid(i * 1240, 1240));
    const OldCueRecord o = OldCueRecord::decode(old.mid(i * 1152, 1152));
    EXPECT_EQ(c.cueNumber, o.cueNumber);
    EXPECT_EQ(c.description, o.description);
    EXPECT_EQ(c.levels, o.levels);
    EXPECT_EQ(c.fadeUpTime, o.fadeUpTime);
    EXPECT_EQ(c.channelCountField, 2560);
    EXPECT_EQ(c.lock, i == 0 ? 1 : 0);
    EXPECT_EQ(c.formatMark, QByteArray("X"));
    EXPECT_TRUE(c.messageText.isEmpty());
    EXPECT_TRUE(c.host.isEmpty());
    EXPECT_EQ(c.port, 0);
    EXPECT_EQ(converted.mid(i * 1240 + 1136, 104), QByteArray(104, '\0'));  // the noise is not carried over
  }
}

TEST(CueFileTest, ConvertsAnOldFileOfOneRecord) {
  QTemporaryDir dir;
  const QString path = dir.filePath("one.lcue");
  writeBytes(path, oldFile(1));
  CueFile f;
  ConvertFile(f, path);
  const QByteArray converted = readBytes(path);
  ASSERT_EQ(converted.size(), 1240);
  EXPECT_EQ(CueRecord::decode(converted).descriptionText(), "Old cue 1");
}

TEST(CueFileTest, ConversionFailureLeavesTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("old.lcue");
  writeBytes(path, oldFile(2));
  QDir(dir.path()).mkdir("qq3q.lcue");  // the temporary file cannot be created
  CueFile f;
  EXPECT_THROW(ConvertFile(f, path), CueFileError);
  EXPECT_EQ(readBytes(path), oldFile(2));
}

TEST(CueFileTest, ChangeFileExtReplacesTheLastExtensionOnly) {
  EXPECT_EQ(changeFileExt("/a/show.lcue", ".loop"), "/a/show.loop");
  EXPECT_EQ(changeFileExt("/a/my.show.lcue", ".subs"), "/a/my.show.subs");
  EXPECT_EQ(changeFileExt("/a.b/show", ".fmap"), "/a.b/show.fmap");
  EXPECT_EQ(changeFileExt("/a/show.lcue", ""), "/a/show");
}

// Opening a show.

class OpenCueFileTest : public ::testing::Test {
 protected:
  class Host : public CueOpenHost {
   public:
    void closeSideFiles() override { calls << "close side files"; }
    void cueFileMissing() override { calls << "missing"; }
    void processMessages() override { calls << "messages"; }
    void settingsQuestionAnswered() override { calls << "settings answered"; }
    void channelCountDeclined() override { calls << "channels declined"; }
    QStringList calls;
  };

  CueOpenResult open(const QString& name) {
    return OpenCueFile(name, file, tables, settings, host, testOperator());
  }
  QString show(int16_t channelCountField, int16_t lock = 0) {
    CueRecord first = cue(100, "a");
    first.channelCountField = channelCountField;
    first.lock = lock;
    const QString p = dir.filePath("show.lcue");
    writeCueFile(p, {first, cue(200, "b")});
    return p;
  }

  CurrentDirGuard cwd;
  QTemporaryDir dir;
  CueFile file;
  CueTables tables;
  CueOpenSettings settings;
  Host host;
  DialogRecorder dialogs;
};

TEST_F(OpenCueFileTest, MissingFileOrNoName) {
  for (const QString& name : {QString(), dir.filePath("gone.lcue")}) {
    dialogs.shown.clear();
    host.calls.clear();
    tables.CuesLoaded = true;
    dialogs.answer(DialogResult::Ok);
    EXPECT_EQ(open(name).Status, CueOpenStatus::Missing);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Loading Cue File error");
    EXPECT_EQ(dialogs.shown[0].text,
              "Could not find the Cue file. Please use the menu option to locate your file.");
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
    EXPECT_EQ(host.calls, QStringList({"missing"}));
    EXPECT_FALSE(tables.CuesLoaded);
  }
}

TEST_F(OpenCueFileTest, OpensAMatchingShow) {
  settings.FileSource = true;
  const CueOpenResult r = open(show(5120, 1));  // another channel count: not asked while FileSource is on
  EXPECT_EQ(r.Status, CueOpenStatus::Opened);
  EXPECT_TRUE(r.Locked);
  EXPECT_FALSE(r.Converted);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(file.isOpen());
  EXPECT_EQ(tables.CueFileRecords, 2);
  EXPECT_EQ(host.calls, QStringList({"close side files", "messages"}));
  EXPECT_EQ(QDir::current().canonicalPath(), QDir(dir.path()).canonicalPath());
  EXPECT_FALSE(open(show(5120, 2)).Locked);
}

TEST_F(OpenCueFileTest, SettingsMismatchQuestion) {
  struct Case {
    bool fileSource;
    int16_t field;
    const char* setting;
  };
  const Case cases[] = {{false, 2560, "Files follow Stagora"}, {true, 2561, "Files follow Cue File"}};
  for (const auto& c : cases) {
    settings.FileSource = c.fileSource;
    for (const DialogResult answer : {DialogResult::No, DialogResult::Yes}) {
      dialogs.shown.clear();
      host.calls.clear();
      dialogs.answer(answer);
      const CueOpenResult r = open(show(c.field));
      ASSERT_EQ(dialogs.shown.size(), 1u);
      EXPECT_EQ(dialogs.shown[0].title, "Settings mismatch");
      EXPECT_EQ(dialogs.shown[0].text, QString("This Cue file was written with the setting\n\r\"") +
                                           c.setting + "\". Should it be loaded anyway?");
      EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
      EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::YesNo);
      // Only a show the operator takes clears the cue list and becomes [CueFile] Last.
      EXPECT_EQ(host.calls.contains("settings answered"), answer == DialogResult::Yes);
      EXPECT_EQ(r.Status,
                answer == DialogResult::Yes ? CueOpenStatus::Opened : CueOpenStatus::SettingsDeclined);
    }
  }
}

TEST_F(OpenCueFileTest, ChannelCountQuestionOnlyWhileFileSourceIsOff) {
  settings.FileSource = false;
  settings.MaxChannels = 256;
  EXPECT_EQ(open(show(2561)).Status, CueOpenStatus::Opened);
  EXPECT_EQ(open(show(1)).Status, CueOpenStatus::Opened);  // no count recorded
  EXPECT_TRUE(dialogs.shown.empty());

  const QString p = show(5121);
  dialogs.answer(DialogResult::No);
  EXPECT_EQ(open(p).Status, CueOpenStatus::ChannelCountDeclined);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Channel count mismatch");
  EXPECT_EQ(dialogs.shown[0].text,
            p + " was written with 512 channels.\n\rDo you want to continue to load this "
                "file?\n\r\rIf \"No\" then change the number of channels and restart.");
  EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Confirmation);
  EXPECT_TRUE(host.calls.contains("channels declined"));
  dialogs.answer(DialogResult::Yes);
  EXPECT_EQ(open(p).Status, CueOpenStatus::Opened);
}

TEST_F(OpenCueFileTest, EmptyFileLoadsNothing) {
  const QString p = dir.filePath("empty.lcue");
  writeBytes(p, QByteArray());
  EXPECT_EQ(open(p).Status, CueOpenStatus::Empty);
  EXPECT_EQ(tables.CueFileRecords, 0);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(OpenCueFileTest, TheNewFileOfARewriteCutShortIsRemovedAtOpening) {
  const QString p = show(2560);
  const QByteArray cues = readBytes(p);
  // What an insert killed before its rename leaves: the whole old file and part of the new one.
  writeBytes(p + ".new", cues.left(1500));
  EXPECT_EQ(open(p).Status, CueOpenStatus::Opened);
  EXPECT_FALSE(QFile::exists(p + ".new"));
  EXPECT_EQ(readBytes(p), cues);
}

TEST_F(OpenCueFileTest, AFileWithNoWholeCueIsReportedDamagedOnce) {
  const QString p = dir.filePath("torn.lcue");
  writeBytes(p, QByteArray(700, 'x'));
  dialogs.answer(DialogResult::Ok);
  EXPECT_EQ(open(p).Status, CueOpenStatus::Empty);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "Loading Cue File error");
  EXPECT_EQ(dialogs.shown[0].text,
            "The cue file \"" + p + "\" is damaged: it holds no whole cue. It is kept as it is.");
  EXPECT_EQ(readBytes(p), QByteArray(700, 'x'));
}

TEST_F(OpenCueFileTest, ConvertsAnOldShowBeforeOpeningIt) {
  const QString p = dir.filePath("old.lcue");
  writeBytes(p, oldFile(1));
  const CueOpenResult r = open(p);
  EXPECT_TRUE(r.Converted);
  EXPECT_EQ(r.Status, CueOpenStatus::Opened);
  EXPECT_TRUE(r.Locked);
  EXPECT_EQ(file.count(), 1);
  EXPECT_EQ(file.readRecord(0).formatMark, QByteArray("X"));
}

}  // namespace

TEST_F(OpenCueFileTest, ADeclinedShowLeavesTheOpenShowOpenAndIsNeverWritten) {
  settings.FileSource = true;
  const QString open1 = dir.filePath("first.lcue");
  writeCueFile(open1, {cue(100, "a")});
  ASSERT_EQ(open(open1).Status, CueOpenStatus::Opened);
  struct Case {
    DialogResult settingsAnswer;
    bool fileSource;
    int16_t field;
    CueOpenStatus status;
  } cases[] = {
      {DialogResult::No, true, 2561, CueOpenStatus::SettingsDeclined},
      {DialogResult::No, false, 5121, CueOpenStatus::ChannelCountDeclined},
  };
  for (const Case& c : cases) {
    settings.FileSource = c.fileSource;
    settings.MaxChannels = 256;
    CueRecord first = cue(300, "declined");
    first.channelCountField = c.field;
    const QString declined = dir.filePath("declined.lcue");
    writeCueFile(declined, {first});
    QFile before(declined);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();
    host.calls.clear();
    dialogs.answer(c.settingsAnswer);
    EXPECT_EQ(open(declined).Status, c.status);
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(file.path(), open1) << "the open show stays";
    EXPECT_FALSE(host.calls.contains("close side files"));
    QFile after(declined);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
  }
}

TEST_F(OpenCueFileTest, ADeclinedOldFileIsNotConverted) {
  settings.FileSource = false;  // the old file's count field 0 reads as written with FileSource on
  const QString old = dir.filePath("old.lcue");
  writeBytes(old, oldFile(2));
  dialogs.answer(DialogResult::No);
  EXPECT_EQ(open(old).Status, CueOpenStatus::SettingsDeclined);
  QFile f(old);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), oldFile(2));
  dialogs.answer(DialogResult::Yes);
  const CueOpenResult r = open(old);
  EXPECT_EQ(r.Status, CueOpenStatus::Opened);
  EXPECT_TRUE(r.Converted);
}
