#pragma once

// A stand-in for the main window as the cue editor and cue list editing see it: a real cue file in a
// temporary folder, the real cue reader, a real cue list widget, and level edits as plain texts.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "console/editors/cue_editor.h"
#include "console/editors/cue_list_editing.h"
#include "console/engine/console_state.h"
#include "console/engine/cue_file.h"
#include "console/engine/cue_reader.h"
#include "tests/engine/cue_test_util.h"
#include "tests/support/dialog_recorder.h"

namespace editor_test {

using cue_test::cue;
using cue_test::readBytes;
using cue_test::writeCueFile;

// A cue with a level on channel 1 and, when given, a loop target.
inline CueRecord levelCue(int number, const QString& description, int level = 0, int loopTarget = 0) {
  CueRecord c = cue(number, description);
  c.levels[0] = char(level);
  c.loopTarget = loopTarget;
  return c;
}

inline std::vector<int> numbersIn(const QString& path) {
  const QByteArray all = readBytes(path);
  std::vector<int> numbers;
  for (int at = 0; at + kCueRecordSize <= all.size(); at += kCueRecordSize)
    numbers.push_back(CueRecord::decode(all.mid(at, kCueRecordSize)).cueNumber);
  return numbers;
}

inline CueRecord recordIn(const QString& path, int index) {
  return CueRecord::decode(readBytes(path).mid(index * kCueRecordSize, kCueRecordSize));
}

class FakeMainWindow : public CueEditorHost, public CueListHost {
 public:
  explicit FakeMainWindow(const std::vector<CueRecord>& cues) {
    path = dir.filePath("show.lcue");
    writeCueFile(path, cues);
    S.CueFileName = path;
    S.MaxChannels = 16;
    S.SceneFile = dir.filePath("show.scne");
    edits.assign(kMaxChannelLimit + 1, QString());
    list = std::make_unique<QTableWidget>();
    list->setColumnCount(4);
    list->verticalHeader()->hide();
    list->resize(300, 200);
    list->show();
    EXPECT_TRUE(file.open(path));
    ReadCues();
  }

  // Both hosts.
  ConsoleState& state() override { return S; }
  CueFile& cueFile() override { return file; }
  // What arrives while the window waits (clicks, keys); it runs once, at the next wait.
  std::function<void()> duringNextWait;
  void waitPumped(int) override {
    if (auto arriving = std::exchange(duringNextWait, nullptr)) arriving();
  }

  // Cue editor host.
  QString levelEditText(int channel) override { return edits[size_t(channel)]; }
  void readCues() override { ReadCues(); }
  int cueListRow() override { return list->currentRow() + 1; }
  void selectCue(int row) override {
    selectRow(row);
    CueListClicked(0);
  }
  void scrollCueListTo(int row) override { scrolledTo = row; }
  void clearCueList() override { list->setRowCount(0); }
  void restoreEngineFlags() override { ++engineFlagsRestored; }
  void timedBackup() override { ++backups; }
  bool& FollowSpotCue() override { return followSpotCue; }
  bool& RecordPending() override { return recordPending; }
  void setTimecodeGo(int frames) override { timecodeGo = frames; }
  void startPrompter() override { ++prompterStarts; }
  void showSceneDialog(const SceneDialogRequest& r) override { sceneRequests.push_back(r); }
  void processMessages() override {}

  // Cue list host.
  QTableWidget* cueList() override { return list.get(); }
  QWidget* window() override { return nullptr; }
  void ReadCues() override {
    cue_test::CurrentDirGuard guard;
    CueReadHost quiet;
    readCueFile(path, file, S.Cues, S.Rows, CueReadSettings{}, quiet, testOperator());
    list->setRowCount(S.Cues.CueCount);
    for (int r = 1; r <= S.Cues.CueCount; ++r)
      list->setItem(r - 1, 0, new QTableWidgetItem(S.Cues.CueListRows[size_t(r)].number));
    ++reads;
  }
  void selectRow(int row) override {
    if (row >= 1 && row <= list->rowCount()) list->setCurrentCell(row - 1, 0);
  }
  void CueListClicked(int) override {
    const int row = list->currentRow() + 1;
    if (row < 1 || row > S.Cues.CueCount) return;
    S.Rows.CurrentCue = row;
    if (ShiftDownFlag) CueRangeMarkedFlag = true;
    ShiftDownFlag = false;
    S.Rows.LastSelectedRow = row;
  }
  void SaveDirty() override { ++saveDirtyCalls; }
  bool recordInto(int row, bool setLock) override {
    recorded.push_back({row, setLock});
    return true;
  }
  void SendCue() override { sentCues.push_back(S.Rows.CurrentCue); }
  void keyend() override { ++keyends; }
  bool fadeRunning() override { return fading; }
  void stopFadeTimer() override { fading = false; }
  bool typedLevelPending() override { return false; }
  bool cuePlayed(int row) override { return row == playedRow; }
  bool loopRunning() override { return false; }
  bool& CueRangeMarked() override { return CueRangeMarkedFlag; }
  int& RangeFirst() override { return RangeFirstRow; }
  int& RangeLast() override { return RangeLastRow; }
  bool& ShiftDown() override { return ShiftDownFlag; }
  bool submasterWindowVisible() override { return submastersShown; }
  int subFader(int k) override { return faders[size_t(k)]; }
  void setSubFader(int k, int v) override {
    faders[size_t(k)] = v;
    faderWrites.push_back({k, v});
  }
  void showBulkChange() override { ++bulkChanges; }

  // Marks rows first..last as a range, as Shift-clicking does.
  void markRange(int first, int last) {
    RangeFirstRow = first;
    RangeLastRow = last;
    CueRangeMarkedFlag = true;
  }
  void select(int row) {
    selectRow(row);
    CueListClicked(0);
  }

  QTemporaryDir dir;
  QString path;
  ConsoleState S;
  CueFile file;
  std::unique_ptr<QTableWidget> list;
  std::vector<QString> edits;  // by channel number
  bool followSpotCue = false;
  bool recordPending = false;
  bool fading = false;
  bool submastersShown = false;
  bool CueRangeMarkedFlag = false;
  bool ShiftDownFlag = false;
  int RangeFirstRow = 0;
  int RangeLastRow = 0;
  int playedRow = 0;
  int scrolledTo = 0;
  int engineFlagsRestored = 0;
  int backups = 0;
  int timecodeGo = -1;
  int prompterStarts = 0;
  int reads = 0;
  int saveDirtyCalls = 0;
  int keyends = 0;
  int bulkChanges = 0;
  std::array<int, kSubmasterCount> faders{};
  std::vector<std::pair<int, int>> faderWrites;
  std::vector<std::pair<int, bool>> recorded;
  std::vector<int> sentCues;
  std::vector<SceneDialogRequest> sceneRequests;
};

}  // namespace editor_test
