#pragma once

// The "Preferences" window (`TPreferences`): the console-wide settings, applied at once where they
// can be, written to the settings file at Exit, with a restart of the console when the channel count
// or the file source changed. It owns the sound-to-light window it shows.

#include <QDialog>
#include <functional>

class QActionGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class TS2Lset;
struct ConsoleState;

// What the preferences need of the main window and the rest of the console.
struct PreferencesHost {
  std::function<QStringList()> styleNames;
  std::function<QString()> activeStyle;
  std::function<void(const QString&)> setStyle;
  std::function<void(int bgr)> setClockColour;
  std::function<void(int increment)> renumberCues;
  std::function<void(int warmUp)> rewriteWarmUp;
  std::function<void(int darkColor)> applyCueListLook;
  std::function<int()> displayInterval;
  std::function<void(int ms)> setDisplayInterval;
  std::function<void()> loadCurve;
  std::function<int()> oscPort;
  std::function<bool(int port)> rebindOsc;
  std::function<void()> applyCompanion;
  std::function<QFont()> cueListFont;
  std::function<void(const QFont&)> setCueListFont;
  std::function<void()> focusCueList;
  std::function<void()> restart;
  // The sound-to-light bands: the band file and the bands in use.
  std::function<QString()> bandFile;
  std::function<void(int band, const QString& list, int minimum)> applyBand;
  std::function<void(int band, int minimum)> applyBandMinimum;
  // "Set User Palette": the designer selection, shown modally.
  std::function<void()> selectUser;
};

class TPreferences : public QDialog {
  Q_OBJECT
 public:
  TPreferences(ConsoleState& state, PreferencesHost host, QWidget* parent);

  QPushButton* btnexit = nullptr;
  QPushButton* renumberButton = nullptr;  // "Renumber Cues"
  QLineEdit* increment = nullptr;
  QLineEdit* warmup = nullptr;
  QLineEdit* maxchannels = nullptr;
  QLineEdit* netaddr = nullptr;
  QLineEdit* tnetport = nullptr;
  QLineEdit* oscportnum = nullptr;
  QCheckBox* CueAdvance = nullptr;
  QCheckBox* promptfornew = nullptr;
  QCheckBox* promptforscroll = nullptr;
  QCheckBox* Checkdimmer = nullptr;
  QCheckBox* usecurve = nullptr;
  QRadioButton* scrollmax100 = nullptr;
  QRadioButton* scrollmax255 = nullptr;
  QMenu* styleMenu = nullptr;
  QMenu* backgroundMenu = nullptr;
  QMenu* fileSourceMenu = nullptr;
  QMenu* wheelMenu = nullptr;
  QMenu* fadeMenu = nullptr;
  QMenu* refreshMenu = nullptr;
  TS2Lset* S2Lset = nullptr;
  bool RestartPending = false;

  void FormShow();
  // Exit: false when the window stays open (the OSC port could not be taken).
  bool btnexitClick();
  void spSkinButton1Click();  // Renumber Cues
  void warmupChange();
  void maxchannelsExit();
  void setScrollerRange(bool to255);
  void chooseFileSource(bool followProgram);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QMenu* radioMenu(const QString& name, const QStringList& captions, const std::function<void(int)>& chosen);
  void checkItem(QMenu* menu, int index);
  ConsoleState& S;
  PreferencesHost host_;
  bool loading_ = false;
};
