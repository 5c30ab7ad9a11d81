#pragma once

// Editing the show's cue list from the main window: recording the live levels into the selected
// cue, the record-or-save question, the scroller change cue, opening the cue editor to add, insert,
// save as or edit, deleting one cue or a marked range, cut, copy and paste of cue records, and the cue
// list's own mouse, wheel and key handling.

#include <QObject>
#include <QPoint>
#include <vector>

#include "console/engine/cue_record.h"

class CueFile;
class QTableWidget;
class QWidget;
class TEditCue;
struct ConsoleState;

// What cue list editing needs of the main window. The comments name the main window's part each
// method stands for.
class CueListHost {
 public:
  virtual ~CueListHost() = default;
  // The engine state (cue tables, playback rows, settings, flags, fade state).
  virtual ConsoleState& state() = 0;
  // The open cue file (`CueFileVar`).
  virtual CueFile& cueFile() = 0;
  // The cue list (show row r is table row r - 1); null while there is none.
  virtual QTableWidget* cueList() = 0;
  // The main window: parent and placement of the dialogs.
  virtual QWidget* window() = 0;
  // `ReadCues` of the show's cue file.
  virtual void ReadCues() = 0;
  // Makes `row` (1-based) the cue list's current row without selecting the cue.
  virtual void selectRow(int row) = 0;
  virtual void CueListClicked(int play) = 0;
  // The unrecorded-changes prompt.
  virtual void SaveDirty() = 0;
  // Records the live levels into row `row` (steps 4 to 6 of Record; the lock field set from the
  // show lock when `setLock`). False when nothing was written.
  virtual bool recordInto(int row, bool setLock) = 0;
  virtual void SendCue() = 0;
  virtual void keyend() = 0;
  // `FadeTimer` runs; stopping it.
  virtual bool fadeRunning() = 0;
  virtual void stopFadeTimer() = 0;
  // A typed level waits for its commit (the "Keytimer" event is armed).
  virtual bool typedLevelPending() = 0;
  // The cue of row `row` is the one that last finished.
  virtual bool cuePlayed(int row) = 0;
  // A loop cue or a loop file runs (`LoopCueActive` or `LoopRunning`).
  virtual bool loopRunning() = 0;
  // The main window's `RecordPending`, `CueRangeMarked`, `RangeFirst`, `RangeLast` and `ShiftDown`.
  virtual bool& RecordPending() = 0;
  virtual bool& CueRangeMarked() = 0;
  virtual int& RangeFirst() = 0;
  virtual int& RangeLast() = 0;
  virtual bool& ShiftDown() = 0;

  // The submaster window: shown, a submaster loop file loaded, its eight faders (0..100).
  virtual bool submasterWindowVisible() { return false; }
  virtual bool submasterLoopLoaded() { return false; }
  virtual int subFader(int /*k*/) { return 0; }
  virtual void setSubFader(int /*k*/, int /*value*/) {}
  // Opens the bulk channel change dialog modally.
  virtual void showBulkChange() {}
  // Refreshes the process memory figure.
  virtual void refreshProcessMemory() {}
  // A pumped wait on the console's clock.
  virtual void waitPumped(int ms) = 0;
};

// The scroller change cue put before a recorded cue: `previous` (the cue before it) made a plain
// level cue numbered `number`, described "Scroller change", blue, following at once with the default
// fade; each channel takes `recordedLevels` when its first address is a colour scroller (not a
// mover) and `previousLevels` otherwise.
CueRecord buildScrollerCue(const CueRecord& previous, const QByteArray& previousLevels,
                           const QByteArray& recordedLevels, int32_t number, const ConsoleState& state);

class CueListEditing : public QObject {
  Q_OBJECT
 public:
  static constexpr int kRangeLimit = 24;

  // Installs its handlers on the host's cue list when there is one (else call attachCueList later).
  CueListEditing(CueListHost& host, TEditCue& editor, QObject* parent = nullptr);
  void attachCueList();

  // Recording.
  void btnRecordClick();
  void AddNew();
  // A record went into `row` while scroller changes were pending: the scroller cue may be made
  // before it by the next SaveScroller of the same call.
  void noteRecorded(int row);
  void SaveScroller();

  // Opening the cue editor.
  void btnAddClick();
  void btnInsertAClick();
  void btnInsertBClick();
  void CueInsert();
  void btnSaveAsClick();

  // Deleting, cut, copy, paste.
  void btnDeleteClick();
  void Deletegroup();
  void btnCutClick();
  void btnCopyClick();
  void btnPasteClick();
  void btnChannelClick();

  // The cue list's events (rows 1-based).
  void cuelistClickCell(int row);
  void cuelistDblClickCell(int row);
  void cuelistMouseDown(Qt::KeyboardModifiers modifiers);
  void cuelistMouseUp(Qt::MouseButton button, int row, Qt::KeyboardModifiers modifiers);
  void cuelistMouseEnter();
  void cuelistMouseLeave();
  void cuelistMouseWheelDown();
  void cuelistMouseWheelUp();
  // True when the key was handled (and is not passed on).
  bool cuelistKeyDown(int key);
  void Scroll();

  // The cue list's top row (1-based; 0 when empty) and scrolling it.
  int topRow() const;
  void setTopRow(int row);

  // State.
  CueRecord CueClipboard;
  std::vector<CueRecord> CueRangeClipboard;  // at most 24
  bool RangeCopied = false;
  bool MouseInCueList = false;
  bool LoopCueMoved = false;
  int SavedTopRow = 0;
  int& RecordedCue();
  int& InsertAfter();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void loopCueMovedWarning();
  int listRow() const;
  int cueNumberOfRow(int row) const;

  CueListHost& host_;
  TEditCue& editor_;
  bool clipboardFilled_ = false;
  bool scrollerRecordPending_ = false;
  int pressedRow_ = 0;
};
