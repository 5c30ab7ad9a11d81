#pragma once

// The fixture type editor (`TAddlight`): defines, edits, deletes and imports fixture types. Its
// caption is its mode: "Add a Fixture" (new type), "Edit a Fixture" (the picked type), "Add existing
// Fixture" (after loading a channel table file). Its fields also stand for the selected type while
// the fixtures window installs or removes a fixture.

#include <QDialog>
#include <QString>
#include <vector>

#include "console/patch/fixture_channel_table.h"
#include "console/patch/fixture_library.h"

class FixturesHost;
class Tfixtures;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class TAddlight : public QDialog {
  Q_OBJECT
 public:
  TAddlight(FixturesHost& host, Tfixtures& fixtures, QWidget* parent = nullptr);
  ~TAddlight() override;

  // Prepares the editor for a new type: fields cleared, the blank template "lcsv/add.lcsv" loaded,
  // Load and library buttons enabled.
  void prepareAdd();
  // Fills the fields from a library record (white and lime as the fixtures window shows them).
  void loadType(const FixtureTypeRecord& type, int whiteOffset, bool lime);
  // The editor for the picked type.
  void prepareEdit();

  // Validates the fields and writes the record and the channel table; false when refused (or the
  // library is missing). Re-installs every installed instance of the type.
  bool Saveform();
  void btnSaveClick();
  void btnDeleteClick();
  void btnLoadClick();
  void btnlibClick();
  // A mode chosen in the description box after a JSON import.
  void descCloseUp(const QString& mode);
  void exitClick();

  // The channel table as the grid shows it, and loading one into the grid.
  FixtureChannelTable table() const;
  void setTable(const FixtureChannelTable& table);
  // The channel count and minimum intensity fields as numbers (0 when not numbers).
  int channelCount() const;
  int minimumIntensity() const;

  QLineEdit* name = nullptr;
  QComboBox* desc = nullptr;
  QLabel* lnum = nullptr;
  QLineEdit* fchan = nullptr;
  QLineEdit* fmin = nullptr;
  QLineEdit* intensityDMX = nullptr;
  QLineEdit* reddmx = nullptr;
  QLineEdit* greendmx = nullptr;
  QLineEdit* bluedmx = nullptr;
  QLineEdit* amberdmx = nullptr;
  QLineEdit* whitedmx = nullptr;
  QLineEdit* LimeDMX = nullptr;
  QLineEdit* DMX360 = nullptr;
  QTableWidget* AttrB = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* exit = nullptr;
  QPushButton* btnDelete = nullptr;
  QPushButton* btnLoad = nullptr;
  QPushButton* btnlib = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString libraryPath() const;
  bool error(const QString& title, const QString& text);

  FixturesHost& host_;
  Tfixtures& fixtures_;
  std::vector<JsonFixtureMode> jsonModes_;
  QString lastJsonPath_;
};
