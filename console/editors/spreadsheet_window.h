#pragma once

// The spreadsheet window (`TSpreadsheet`): the show's cues ("Cue List") or its soft patch
// ("Soft Patch List") as a read-only table, rebuilt on every activation, exported as CSV or as a
// workbook.

#include <QWidget>
#include <functional>

class QPushButton;
class QTableView;
class CueSheetModel;
class PatchSheetModel;
class SheetModel;
struct ConsoleState;

// What the spreadsheet needs of the console.
struct SpreadsheetHost {
  std::function<ConsoleState&()> state;
  std::function<QString()> settingsFile;
  // The file to save to, chosen with the given default extension ("csv", "xlsx"); empty: cancelled.
  std::function<QString(const QString& defaultSuffix)> chooseSaveFile;
  std::function<void()> focusCueList;
  std::function<void(const QString&)> exceptionHandler;
};

// The name a workbook is written under: a name chosen as ".xls" gets ".xlsx", the workbook's own
// format; any other name stays as chosen.
QString workbookFileName(const QString& chosen);

class TSpreadsheet : public QWidget {
  Q_OBJECT
 public:
  TSpreadsheet(SpreadsheetHost host, QWidget* parent = nullptr);
  ~TSpreadsheet() override;

  // Fills the grid with the view SpreadPatchView names.
  void FormActivate();
  void ShowCues();
  void ShowPatch();
  void spexportClick();
  void spSkinButton1Click();
  void spexitClick();
  SheetModel* sheet() const;

  bool SpreadPatchView = false;
  int SpreadTop = 0;
  int SpreadLeft = 0;
  int SpreadWidth = 800;
  int SpreadHeight = 600;

  QTableView* spread = nullptr;
  // The fixed first column: stays in place while the table scrolls sideways.
  QTableView* fixedColumn = nullptr;
  QPushButton* spexport = nullptr;
  QPushButton* spSkinButton1 = nullptr;
  QPushButton* spexit = nullptr;

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void applyWidths();
  void setSheet(SheetModel* model);
  void placeFixedColumn();
  bool eventFilter(QObject* watched, QEvent* event) override;
  SpreadsheetHost host_;
  CueSheetModel* cues_;
  PatchSheetModel* patch_;
  class FirstColumn;
  FirstColumn* firstColumn_;
};
