#pragma once

// The submaster window (`TForm3`, "Subs") with its eight strips, and the strip setup dialog
// (`Tsmedit`, "Edit"). The mixing itself is SubmasterMixer's; the window holds the faders, value
// boxes, markers and Record buttons, keeps the strips in the submaster file and reaches the main
// window through SubmasterHost.

#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "console/engine/submaster_mix.h"

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
  explicit TForm3(SubmasterHost& host, QWidget* parent = nullptr);
  ~TForm3() override;

  SubmasterMixer& mixer() { return mixer_; }
  Tsmedit& setupDialog() { return *smedit_; }

  // Fader n (0..7) to `value` (0..100), applied like any fader move (MIDI, the level path).
  void setFader(int n, int value);
  int fader(int n) const;
  // The faders follow S.SubSliders where another writer (level path, fade engine, black-out) set it.
  void syncFaders();

  // The submaster file read with the cues: titles, hints, kinds, levels, members, faders at rest.
  void applySetup(const SubmasterFileSetup& setup);
  // The show needs this window: a channel patched to a submaster address, or a loop-file strip.
  bool showNeedsWindow(const SubmasterFileSetup& setup) const;

  // Operations.
  void SubChange(int strip);
  void SlideSet(int v, int j);
  void SubDone(int strip);
  void recordsub(int strip);
  bool SaveSub(int strip);
  void LoadSubs(const QString& path);
  void CopySubs();
  void Setupsub(int strip);
  // A submaster's MIDI controller moved: mark the member channels of strip n whose stored level is
  // above their warm-up level (selected, submaster marker, factor, yellow text).
  void Setsub(int n);
  void picksub(int strip);
  void picksubval(int strip);
  void Editval(int strip);
  // Up/Down +-1, Page Up/Down +-10, Home/End +-100 on a strip's value box and fader.
  void smKeyDown(int strip, int key);
  void userepClick();
  void masterzero();
  void exitClick();
  // The right-click question on "Use Rep Plot".
  void userepRightClick();
  QString SubmasterFileName() const;

  // Strip state as the window shows it.
  QString title(int strip) const;
  bool markerVisible(int strip) const;

  // The setup dialog run modally (replaceable in tests); true on Save.
  std::function<bool()> runSetupDialog;

  int CurrentSub = 0;
  bool SubBusy = false;
  bool SubRecording = false;
  bool SubRecordSetup = false;
  bool SubActivating = false;
  bool SubRightClick = false;
  bool SubLoopLoaded = false;

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
  void hideAllMarkers();
  void setValueBox(int strip, int v);
  bool midiRefused();
  void refreshStrip(int strip);

  SubmasterHost& host_;
  SubmasterMixer mixer_;
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
