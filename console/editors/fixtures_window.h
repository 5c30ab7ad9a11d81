#pragma once

// The fixtures window (`Tfixtures`, "Fixtures"): installs fixture types on addresses and removes
// them, keeps the mover/colour-scroller list, and mixes the colours of LED fixtures with a live
// preview into the output.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "console/patch/fixture_colour_mix.h"
#include "console/patch/fixture_install.h"
#include "console/patch/fixture_library.h"

class FixturesHost;
class TAddlight;
class TUsedF;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class Clock;
class ClockTimer;

class Tfixtures : public QDialog {
  Q_OBJECT
 public:
  // `clock`: what the saved mark's display time runs on.
  Tfixtures(FixturesHost& host, Clock& clock, QWidget* parent = nullptr);
  ~Tfixtures() override;

  FixturesHost& host() { return host_; }
  TAddlight& editor() { return *Addlight_; }
  TUsedF& usedWindow() { return *UsedF_; }
  // How the window shows its modal dialogs (the type editor); tests replace it.
  std::function<int(QDialog&)> execDialog;
  // The colour picker beside the window, once there is one: shown (with the five-colour palette
  // when `fiveColours`), or shown on its options page.
  std::function<void(bool fiveColours)> showColourPicker;
  std::function<void()> showPickerOptions;
  std::function<void()> closeColourPicker;
  // The gel code the colour picker shows (empty without a picker).
  std::function<QString()> pickerGelCode;
  // The picker's wheel follows the intensity (0..100).
  std::function<void(int intensity)> pickerIntensity;

  // Install side.
  void ReadLights();
  // Reads the library again (after the type editor changed it).
  void reloadLibrary();
  void populatefixture(int row);
  void refresh();
  QString FixGroupText() const;
  // Installs the selected type at s / removes the instance at s; false when nothing was done.
  bool Newfixture(int s);
  bool DelAddress(int s);
  void btnSaveClick();
  void btndeleteClick();
  void btneditClick();
  void btnchannelsClick();
  void fixlistCloseUp(const QString& text);
  // The pick-list row of a type id (-1 none); the library the pick list was filled from.
  int rowOfType(int id) const;
  const FixtureLibrary& library() const { return library_; }
  QStringList instanceStarts() const;
  // The selected type as installing uses it: the library record with the editor's channel count
  // and minimum intensity.
  FixtureTypeRecord installType() const;
  // The start addresses of the checked instance entries.
  std::vector<int> checkedStarts() const;
  void setInstanceChecked(const QString& caption, bool checked);

  // Colour side.
  void preview();
  void setcolors(int start);
  void showcolors(int start);
  void FixgroupPicks();
  // Writes the fields' levels into the channel edits of the instances starting at these addresses.
  void FixgroupPicks(const std::vector<int>& starts);
  void btncolorClick();
  void btnexitClick();
  void SaveGel();
  void PanCalc();
  // Closing the window by any means.
  void done(int result) override;
  FixtureMix mix() const;
  // The level field of a number (1 red .. 5 white/lime, 6 intensity).
  QLineEdit* colourField(int number) const;
  void stepActiveField(FieldStep step);
  // The swatch's colour (0x00BBGGRR).
  void setSwatch(int bgr);
  QString selectedTypeIdText() const;

  // State.
  std::vector<int> FixtureTypeIds;
  int SelectedFixtureType = -1;
  int SelectedTypeId = 0;
  SelectedTypeLayout layout;
  bool FixturesFirstShow = true;
  bool FormDirty = false;
  bool FixtureFromChannel = false;
  bool SaveGelPending = false;
  bool CueColourChanged = false;
  bool GelTyped = false;
  int ActiveColourField = 0;
  std::vector<int> ColourUndoLevels;
  int SwatchColour = 0xFFFFFF;  // 0x00BBGGRR

  // Install side widgets.
  QComboBox* pickfixture = nullptr;
  QPushButton* btnedit = nullptr;
  QComboBox* fixlist = nullptr;
  QLineEdit* Fnote = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* btndelete = nullptr;
  QListWidget* fixgroup = nullptr;
  QLabel* listLabel = nullptr;
  QPlainTextEdit* scrollers = nullptr;
  QPushButton* btnchannels = nullptr;
  QCheckBox* Vqsoft = nullptr;
  QCheckBox* shownow = nullptr;
  QPushButton* btnexit = nullptr;

  // Colour side widgets.
  QLineEdit* value = nullptr;
  QLineEdit* fred = nullptr;
  QLineEdit* fgreen = nullptr;
  QLineEdit* fblue = nullptr;
  QLineEdit* fAmber = nullptr;
  QLineEdit* fWhite = nullptr;
  QLabel* whiteLabel = nullptr;
  QFrame* gelcolor = nullptr;
  QLineEdit* filternum = nullptr;
  QRadioButton* threecolor = nullptr;
  QRadioButton* fourcolor = nullptr;
  QRadioButton* fivecolor = nullptr;
  QPushButton* btncolor = nullptr;
  QFrame* MovePosition = nullptr;
  QLabel* Light = nullptr;
  QLabel* Spot = nullptr;
  QLabel* panangle = nullptr;
  QLabel* Image1 = nullptr;
  ClockTimer* dottime = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildWindow();
  void setScrollerLayout(bool mover);
  void colourFieldChanged(int number);
  void valueChanged();
  void filternumChanged();
  void captureUndoLevels();
  bool restorePreviewedBytes();
  void setEdit(int index, const QString& text);
  QString settingsPath() const;
  FixtureInstallContext installContext(PatchContext& ctx);

  FixturesHost& host_;
  std::unique_ptr<TAddlight> Addlight_;
  std::unique_ptr<TUsedF> UsedF_;
  FixtureLibrary library_;
  // Bytes of the output the preview replaced, as they were, until the mix is transferred.
  std::map<int, uint8_t> previewOriginal_;
  // Level edits this window changed since it opened.
  std::set<int> touchedEdits_;
  bool dragging_ = false;
  // Fields being filled from levels or cleared: no preview, no change flags.
  bool loading_ = false;
};
