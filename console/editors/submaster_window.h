#pragma once

// The submaster window (`TForm3`, "Subs") with its eight strips, and the strip setup dialog
// (`Tsmedit`, "Edit"). The strips' rules and state are the Submasters engine object's; the window
// holds the faders, value boxes, markers and Record buttons, paints what the engine reports, and
// reaches the main window through SubmasterHost.

#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "console/engine/submasters.h"
#include "platform/operator.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class Tsmedit;

// What the submaster window needs of the main window.
class SubmasterHost {
 public:
  virtual ~SubmasterHost() = default;
  virtual ConsoleState& state() = 0;
  // The text of channel ch's level edit (1-based).
  virtual QString levelEditText(int ch) = 0;
  // Channel ch's level edit shows `text` (not committed).
  virtual void showLevelText(int ch, const QString& text) = 0;
  // Channel ch's grid mark shows the submaster marker (visible) or is hidden.
  virtual void setSubmasterMark(int ch, bool visible) = 0;
  // Channel ch's level edit text colour (0x00BBGGRR).
  virtual void setLevelEditColour(int /*ch*/, int /*bgr*/) {}
  virtual void sendDMX() = 0;
  virtual void focusCueList() {}
  virtual QString programFolder() = 0;
  // A MIDI input device is in use (`MidiSurface` >= 0): the faders are moved from it only.
  virtual bool midiActive() { return false; }
  // The soft patch is to be reloaded (the rep-plot switch changed `PatchFileName`).
  virtual void reloadPatch(const QString& /*patchFileName*/) {}
  // [Settings] subTop, subLeft and UseRep.
  virtual void saveWindowSettings(int /*top*/, int /*left*/, bool /*useRep*/) {}
  virtual int savedTop() { return 0; }
  virtual int savedLeft() { return 0; }
  // Submaster loop playback: load the strip's loop cue file, start it at a scale, rescale it, and
  // the loop was stopped (the fader went to 0).
  virtual void loadSubmasterLoop(int /*strip*/, const QString& /*path*/) {}
  virtual void startSubmasterLoop(int /*strip*/, double /*scale*/) {}
  virtual void setSubmasterLoopScale(double /*scale*/) {}
  virtual void submasterLoopStopped() {}
  // A file could not be written or copied: the application's error handler.
  virtual void fileError(const QString& message) = 0;
};

class TForm3 : public QWidget {
  Q_OBJECT
 public:
  TForm3(SubmasterHost& host, QWidget* parent, Operator& op);
  ~TForm3() override;

  // The strips' rules and state; this window paints what it reports.
  Submasters& engine() { return *engine_; }
  SubmasterMixer& mixer() { return engine_->mixer(); }
  Tsmedit& setupDialog() { return *smedit_; }

  // Fader n (0..7) to `value` (0..100), applied like any fader move (MIDI, the level path).
  void setFader(int n, int value) { engine_->setFader(n, value); }
  int fader(int n) const { return engine_->fader(n); }
  // The faders follow S.SubSliders where another writer (level path, fade engine, black-out) set it.
  void syncFaders() { engine_->syncFaders(); }

  // The submaster file read with the cues: titles, hints, kinds, levels, members, faders at rest.
  void applySetup(const SubmasterFileSetup& setup) { engine_->applySetup(setup); }
  // The show needs this window: a channel patched to a submaster address, or a loop-file strip.
  bool showNeedsWindow(const SubmasterFileSetup& setup) const { return engine_->showNeedsWindow(setup); }

  // Operations (the engine's, by the window's names).
  void SubChange(int strip) { engine_->SubChange(strip); }
  void SlideSet(int v, int j) { engine_->SlideSet(v, j); }
  void SubDone(int strip) { engine_->SubDone(strip); }
  void recordsub(int strip) { engine_->recordsub(strip); }
  bool SaveSub(int strip) { return engine_->SaveSub(strip); }
  void LoadSubs(const QString& path) { engine_->LoadSubs(path); }
  void CopySubs() { engine_->CopySubs(); }
  void Setupsub(int strip) { engine_->Setupsub(strip); }
  void Setsub(int n) { engine_->Setsub(n); }
  void picksub(int strip) { engine_->picksub(strip); }
  void picksubval(int strip) { engine_->picksubval(strip); }
  // The value box's text changed.
  void Editval(int strip);
  // Up/Down +-1, Page Up/Down +-10, Home/End +-100 on a strip's value box and fader.
  void smKeyDown(int strip, int key) { engine_->smKeyDown(strip, key); }
  // The "Use Rep Plot" box was clicked.
  void userepClick();
  void masterzero() { engine_->masterzero(); }
  void exitClick();
  // The right-click question on "Use Rep Plot".
  void userepRightClick() { engine_->userepRightClick(); }
  QString SubmasterFileName() const { return engine_->SubmasterFileName(); }

  // Strip state as the window shows it.
  QString title(int strip) const { return engine_->strip(strip).title; }
  bool markerVisible(int strip) const { return engine_->markerVisible(strip); }

  // The setup dialog run modally (replaceable in tests); true on Save.
  std::function<bool()> runSetupDialog;

  std::array<QLabel*, kSubmasterCount> SubTitles{};
  std::array<QSlider*, kSubmasterCount> SubSliders{};
  std::array<QFrame*, kSubmasterCount> SubPanels{};
  std::array<QLineEdit*, kSubmasterCount> SubValueEdits{};
  std::array<QLabel*, kSubmasterCount> SubMarkers{};
  std::array<QPushButton*, kSubmasterCount> SubButtons{};
  std::array<QLabel*, kSubmasterCount> SubNumberLabels{};
  QCheckBox* userep = nullptr;
  QPushButton* exitButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Submasters::Hooks hooks();
  void refreshStrip(int strip);

  SubmasterHost& host_;
  std::unique_ptr<Submasters> engine_;
  std::unique_ptr<Tsmedit> smedit_;
};

// The strip setup dialog: title, hint, kind and loop file of one strip.
class Tsmedit : public QDialog {
  Q_OBJECT
 public:
  Tsmedit(TForm3& subs, SubmasterHost& host, QWidget* parent = nullptr);
  ~Tsmedit() override;

  void FormShow();
  void SubfileClick();
  // Writes the strip to the submaster file and sets it up; true when written.
  bool btnSaveClick();
  void exitClick();

  // The loop-file chooser (replaceable in tests): "" when cancelled.
  std::function<QString(const QString& folder)> chooseLoopFile;

  int SetupStrip = 0;
  QLineEdit* subcue = nullptr;
  QLineEdit* subdesc = nullptr;
  QRadioButton* subadd = nullptr;
  QRadioButton* subsub = nullptr;
  QLineEdit* Subfile = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* exit = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TForm3& subs_;
  SubmasterHost& host_;
};
