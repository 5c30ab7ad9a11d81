#pragma once

// The colour picker beside the fixtures window ("Select a Color"): the fixed palette pie, the gel
// pie, the designer's pie, the save options and the intensity track bar. It is a child of the
// fixtures window, so it stays usable while that window runs modally.

#include <QDialog>
#include <QString>

#include "console/patch/gel_palettes.h"

class ColourPie;
class ColourWheel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;
class Tfixtures;

class TColorPick : public QDialog {
  Q_OBJECT
 public:
  enum Page { PalettePage = 0, GelPage = 1, UserPage = 2, WheelPage = 3, OptionsPage = 4 };

  explicit TColorPick(Tfixtures& fixtures);

  // Shown beside the fixtures window on its "Palette" page; on the "Options" page for a save.
  void showPicker(bool fiveColours = true);
  void showOptions();

  // Picks at a point of a pie (widget coordinates), as a click there does.
  void paletteClick(QPoint at);
  void gelClick(QPoint at);
  void designerClick(QPoint at);
  // A right-button release on the designer pie: load the colour, then offer to delete it.
  void designerRightRelease(QPoint at);
  // Hovering: the label shows the name or code of the colour under the mouse.
  void paletteHover(QPoint at);
  void pieHover(QPoint at);
  // "Complete the Save".
  void btnCSaveClick();
  // "Save to User".
  void saveToUserClick();
  void exitClick();
  // A colour picked on the wheel (while a button is held): levels, swatch and intensity.
  void wheelPick(QPoint at);
  // The wheel shows a picked colour as selected, at the saturation of the fixture's intensity.
  void followOnWheel(unsigned rgb);
  // A colour picked on the hexagon: levels and swatch.
  void hexagonPick(QPoint at);
  // "Same color as Channel": the colour of the fixture on the typed channel onto the checked
  // instances.
  void SaveSameAs();
  // The gel table the gel pie shows for the fixtures window's colour count.
  QString gelTable() const;

  QTabWidget* colortabs = nullptr;
  ColourPie* Image1 = nullptr;  // the fixed palette pie
  ColourPie* Image2 = nullptr;  // the gel pie
  ColourPie* Image3 = nullptr;  // the designer pie
  ColourWheel* HSVColorPicker1 = nullptr;
  ColourWheel* HexaColorPicker1 = nullptr;  // instead of the palette pie for three and four colours
  QCheckBox* opt1 = nullptr;
  QCheckBox* opt2 = nullptr;
  QCheckBox* opt3 = nullptr;
  QCheckBox* opt4 = nullptr;
  QPushButton* btnCSave = nullptr;
  QPushButton* btnexit = nullptr;
  QPushButton* spSkinButton1 = nullptr;
  QLabel* gelcode = nullptr;
  QLineEdit* samecolor = nullptr;
  QPushButton* btnSamAs = nullptr;
  QSlider* scTrackBar1 = nullptr;
  QLabel* trackValue = nullptr;

  // The levels of the gel last loaded from a pie, each followed by "|".
  QString LastGelLevels;
  int SaveReturnTab = 0;
  bool PieRightButton = false;
  bool PickerDragging = false;
  // The slices of the gel or designer pie drawn last.
  PieList pie;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildWindow();
  void pageShown(int index);
  void drawGelPie();
  bool drawDesignerPie();
  void trackBarChanged(int value);
  QString folder() const;
  // Puts a colour value's levels into the fixtures window's fields as a gel load does.
  void loadLevels(const ColourString& colour);
  // Levels and swatch of a colour picked on the wheel or the hexagon.
  void applyPicked(unsigned rgb);

  Tfixtures& fixtures_;
};

// Creates the picker as a child of the fixtures window and connects the window's picker hooks.
TColorPick& installColourPicker(Tfixtures& fixtures);
