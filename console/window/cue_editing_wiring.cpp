// The main window's side of cue list editing and the cue editor, and the timed cue-file backups.

#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "console/editors/cue_editor.h"
#include "console/editors/cue_list_editing.h"
#include "console/editors/scene_dialog.h"
#include "console/editors/submaster_window.h"
#include "console/engine/cue_backup.h"
#include "console/remote/remote_control.h"
#include "console/remote/remote_dispatcher.h"
#include "console/window/main_window.h"
#include "platform/pumped_wait.h"
#include "platform/timer_list.h"

class Tform1::CueHostAdapter : public CueEditorHost, public CueListHost {
 public:
  explicit CueHostAdapter(Tform1& form) : f(form) {}

  ConsoleState& state() override { return f.S; }
  CueFile& cueFile() override { return f.cueFile_; }

  QString levelEditText(int channel) override { return f.ChannelEdits.at(size_t(channel - 1))->text(); }
  void readCues() override { f.ReadCues(); }
  int cueListRow() override { return f.currentRow(); }
  void selectCue(int row) override {
    f.selectRow(row);
    f.CueListClicked(0);
  }
  void scrollCueListTo(int row) override { f.cuelist->scrollToItem(f.cuelist->item(row - 1, 0)); }
  void clearCueList() override { f.cuelist->setRowCount(0); }
  void restoreEngineFlags() override {
    f.S.LiveMode = f.S.LiveChosen;
    f.S.AutoAdvance = f.autoAdvanceHint();
  }
  void timedBackup() override { f.timedBackup(); }
  bool& FollowSpotCue() override { return f.FollowSpotCue; }
  bool& RecordPending() override { return f.RecordPending; }
  void setTimecodeGo(int frames) override {
    if (f.osc_) f.osc_->timecode().setTimecodeGo(frames);
  }
  void focusCueList() override { f.cuelist->setFocus(); }
  void showSceneDialog(const SceneDialogRequest& request) override { f.showSceneDialog(request); }
  void readSceneList() override { f.scenes().Readlist(); }
  void startPrompter() override { f.startPrompter(); }
  void holdRemoteCommands(bool hold) override {
    if (!f.remote_) return;
    if (hold)
      f.remote_->dispatcher().hold();
    else
      f.remote_->dispatcher().release();
  }

  QTableWidget* cueList() override { return f.cuelist; }
  QWidget* window() override { return &f; }
  void ReadCues() override { f.ReadCues(); }
  void selectRow(int row) override { f.selectRow(row); }
  void CueListClicked(int play) override { f.CueListClicked(play); }
  void SaveDirty() override { f.SaveDirty(); }
  void showBulkChange() override {
    if (f.showBulkChange_) f.showBulkChange_();
  }
  bool recordInto(int row, bool setLock) override { return f.recordInto(row, setLock); }
  void SendCue() override { f.SendCue(); }
  void keyend() override { f.keyend(); }
  bool fadeRunning() override { return f.FadeTimer->isActive(); }
  void stopFadeTimer() override { f.FadeTimer->stop(); }
  bool typedLevelPending() override { return f.TimerList1->isArmed("Keytimer"); }
  bool cuePlayed(int row) override { return f.playback().played(row); }
  bool loopRunning() override { return f.loops().state().LoopRunning || f.loops().state().LoopCueActive; }
  bool submasterLoopLoaded() override { return f.loops().state().SubLoopLoaded; }
  // Recording takes the submasters out of the live levels while their window is open.
  bool submasterWindowVisible() override { return f.Form3_ && f.Form3_->isVisible(); }
  int subFader(int k) override { return f.Form3_ ? f.Form3_->fader(k) : 0; }
  void setSubFader(int k, int value) override {
    if (f.Form3_) f.Form3_->setFader(k, value);
  }
  bool& CueRangeMarked() override { return f.CueRangeMarked; }
  int& RangeFirst() override { return f.RangeFirst; }
  int& RangeLast() override { return f.RangeLast; }
  bool& ShiftDown() override { return f.ShiftDown; }
  void waitPumped(int ms) override { f.clock_.waitPumped(ms); }
  void processMessages() override { f.clock_.pumpEvents(); }

 private:
  Tform1& f;
};

class Tform1::BackupHostAdapter : public CueBackupHost {
 public:
  explicit BackupHostAdapter(Tform1& form) : f(form) {}
  void rereadCues() override { f.ReadCues(); }
  uint64_t currentProcessMemory() override { return CurrentProcessMemory(); }

 private:
  Tform1& f;
};

void Tform1::createCueEditing() {
  auto host = std::make_unique<CueHostAdapter>(*this);
  CueHostAdapter& adapter = *host;
  cueHost_ = std::move(host);
  EditCue_ = std::make_unique<TEditCue>(adapter, this);
  editing_ = std::make_unique<CueListEditing>(adapter, *EditCue_);
  addCue_ = [this] { editing_->btnAddClick(); };
}

void Tform1::timedBackup() {
  BackupHostAdapter host(*this);
  Backup.BackupPending = true;
  dobackup(S.CueFileName, cueFile_, Backup, S.ForcedBackup, S.StartMemory, host, operator_);
}
