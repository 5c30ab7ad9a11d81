#pragma once

// The cue editor (`TEditCue`): a small stay-on-top dialog that edits one cue of the open cue file
// field by field and writes it, with the levels the main window's channel grid shows, at the place
// its caption names: "Edit..." over the selected cue, "Add..." after the last cue, "Save..." in
// cue-number order, "Insert..." before or after the selected cue. The selected cue is the one
// selected when the dialog was opened (and filled): the dialog stays open while cues are selected
// and played, and Save still writes the cue it shows. Every write goes through the cue file and is
// followed by a reading of the cue tables.

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "console/editors/cue_editor_fields.h"
#include "console/engine/console_state.h"

class CueFile;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

// How the scene dialog is to be shown from the cue editor (its button caption and hint, its prompt
// label, the name edit, the bump-key box and its own hint).
struct SceneDialogRequest {
  QString buttonCaption;  // "Save", "Load" or "Overwrite"
  QString buttonHint;
  QString promptLabel;  // "Name:" or "Load:"
  QString name;
  bool clearBumpKey = false;  // the bump-key box shows no item
  QString dialogHint;
};

// What the cue editor needs of the main window. The comments name the main window's part each
// method stands for.
class CueEditorHost {
 public:
  virtual ~CueEditorHost() = default;
  // The engine state (cue tables, playback rows, settings, flags).
  virtual ConsoleState& state() = 0;
  // The open cue file (`CueFileVar`).
  virtual CueFile& cueFile() = 0;
  // The text of channel `channel`'s level edit (1-based).
  virtual QString levelEditText(int channel) = 0;
  // `ReadCues` of the show's cue file.
  virtual void readCues() = 0;
  // The cue list's current row (1-based; 0 when none).
  virtual int cueListRow() = 0;
  // Makes `row` the cue list's current row and selects it without playing (`CueListClicked`(0)).
  virtual void selectCue(int row) = 0;
  // Scrolls the cue list so that `row` is in view.
  virtual void scrollCueListTo(int row) = 0;
  // Empties the cue list on screen (its column titles stay "Call", "Description", "Time").
  virtual void clearCueList() = 0;
  // `LiveMode` and `AutoAdvance` set again from the main window's controls (live/blind hint
  // contains "Live", auto-advance hint contains "ON").
  virtual void restoreEngineFlags() = 0;
  // The timed backup (`dobackup`) requested with BackupPending set, waiting pumped until it has
  // cleared BackupPending or 5 seconds have passed.
  virtual void timedBackup() = 0;
  // The main window's `FollowSpotCue` and `RecordPending`.
  virtual bool& FollowSpotCue() = 0;
  virtual bool& RecordPending() = 0;

  // The time-code trigger `TimecodeGo` (frames).
  virtual void setTimecodeGo(int /*frames*/) {}
  // Starts the follow-spot prompter ("prompt.exe") unless its window ("TPrompt1") exists, then waits
  // 300 ms pumping messages.
  virtual void startPrompter() {}
  // Shows the scene dialog modally as requested.
  virtual void showSceneDialog(const SceneDialogRequest& /*request*/) {}
  // The scene dialog's list reader (`Readlist`).
  virtual void readSceneList() {}
  // Focus to the main window's cue list.
  virtual void focusCueList() {}
  // The main window's stay-on-top windows are put back on top.
  virtual void restoreStayOnTop() {}
  // Commands from outside wait from `true` to `false`: a Save goes on after the dialog has closed.
  virtual void holdRemoteCommands(bool /*hold*/) {}
  virtual void processMessages();
  // A pumped wait on the console's clock.
  virtual void waitPumped(int ms) = 0;
};

class TEditCue : public QDialog {
  Q_OBJECT
 public:
  // How showing the dialog fills it (`EditCueMode`).
  enum Mode : int { NewCue = 0, EditSelected = 1, KeepFields = 2, SaveSelectedAs = 3 };

  explicit TEditCue(CueEditorHost& host, QWidget* parent = nullptr);
  ~TEditCue() override;

  // The one way to open the dialog: the mode (kept in the engine state's EditorMode and shown in
  // the caption) says where Save writes; `cueNumber` goes into the number field. Add and Insert start
  // from a new cue's fields, Edit and Save as from the selected cue's. Opening a dialog that is
  // already open fills it again, so its fields always match the caption.
  void openAs(CueEditorMode mode, const QString& cueNumber);

  // Operations.
  void FormShow();
  // Save: true when a record was written.
  bool editsaveClick();
  void editexitClick();
  void CueTypeCloseUp(int kind);
  void SetSize();
  void cueisafile();
  int FindLoopindex();
  void FSCue();
  void CueColorClick();
  void CueUpDownUpButtonClick();
  void CueUpDownDownButtonClick();
  void Movecueup();
  void Movecuedown();
  void savesceneClick();
  void loadsceneClick();

  // The cue the dialog was opened on (taken each time it is filled): where Save writes.
  const CueEditTarget& target() const { return target_; }

  // The fields as they stand, and setting the fade kind (0 single, 1 split, 2 master) as the three
  // check boxes do.
  CueEditorFields fields() const;
  void setFadeKind(int kind);

  // Dialog state.
  int EditCueMode = NewCue;
  bool CueEdited = false;
  int FollowSpotColor = 0x00FF00;
  int CueColour = 0;  // the colour dialog's colour
  int EditLoopKey = 0;
  QString LoopFileName;
  // Where "Insert" puts the cue: 0 after the selected cue, 1 before it (`InsertAfter`), and the row
  // that last received levels while scroller changes were pending (`RecordedCue`).
  int InsertAfter = 0;
  int RecordedCue = 0;
  // Editing from the cue list switches live progress off; what it was comes back when the editor
  // is left (empty while the editor did not switch it off).
  std::optional<bool> ShowProgressBeforeEdit;

  // The choosers the dialog opens (replaceable in tests): the loop cue file ("" when cancelled), a
  // text colour (none when cancelled) and another show's scene file ("" when cancelled).
  std::function<QString(const QString& initialFile)> chooseLoopFile;
  std::function<std::optional<int>(int currentColour)> chooseColour;
  std::function<QString()> chooseSceneFile;

  // Controls.
  QLineEdit* cuenum = nullptr;
  QLineEdit* cuedesc = nullptr;
  QPushButton* CueColor = nullptr;
  QComboBox* CueType = nullptr;
  QRadioButton* playpick = nullptr;
  QRadioButton* autoplay = nullptr;
  QRadioButton* Timepick = nullptr;
  QLineEdit* Timetime = nullptr;
  QCheckBox* endwait = nullptr;
  QLineEdit* advdelay = nullptr;
  QLineEdit* loopcue = nullptr;
  QLineEdit* loopcnt = nullptr;
  QCheckBox* singlefade = nullptr;
  QLineEdit* waittime = nullptr;
  QLineEdit* cuetime = nullptr;
  QCheckBox* splitfade = nullptr;
  QLineEdit* sbwaittime = nullptr;
  QLineEdit* sbfadetime = nullptr;
  QLineEdit* sdwaittime = nullptr;
  QLineEdit* sdfadetime = nullptr;
  QCheckBox* masterfade = nullptr;
  QLineEdit* mfadewait = nullptr;
  QLineEdit* mfadetime = nullptr;
  QGroupBox* oscsettings = nullptr;
  QLineEdit* osccmd = nullptr;
  QLineEdit* oscaddr = nullptr;
  QLineEdit* oscportnum = nullptr;
  QLabel* oscaddrLabel = nullptr;
  QLabel* oscportLabel = nullptr;
  QToolButton* UpDown1Up = nullptr;
  QToolButton* UpDown1Down = nullptr;
  QPushButton* savescene = nullptr;
  QPushButton* loadscene = nullptr;
  QPushButton* editsave = nullptr;
  QPushButton* editexit = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  void restoreShowProgress();
  void fitToContents();
  void showOrFillAgain();
  void buildControls();
  void fillNew();
  void fillFromRow(int row);
  void setTextColours(int colour);
  void moveCue(int direction);

  CueEditorHost& host_;
  CueEditTarget target_;
};
