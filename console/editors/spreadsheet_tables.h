#pragma once

// The read-only tables of the spreadsheet window and their export. The cue sheet holds one row per
// cue (number, description, one column per channel); the patch sheet one row per channel (label,
// dimmer field, description) read from the soft patch file. Both are models over a snapshot taken
// when the window is activated, so a large show costs no item per cell; row 0 of `cell` is the
// header row.

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>
#include <vector>

struct ConsoleState;

class SheetModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Rows and columns of the whole grid, header row included.
  virtual int sheetRows() const = 0;
  virtual int sheetColumns() const = 0;
  // The text of grid cell (row, column); row 0 is the header row.
  virtual QString cell(int row, int column) const = 0;
  // The comment shown on hovering over a cell (empty: none).
  virtual QString comment(int /*row*/, int /*column*/) const { return {}; }
  // Column widths at 96 dpi, and whether a column's cells are centred.
  virtual int columnWidth(int column) const = 0;
  virtual bool centred(int column) const = 0;
  // A cell the workbook holds as a number.
  virtual bool numeric(int /*row*/, int /*column*/) const { return false; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
};

class CueSheetModel : public SheetModel {
  Q_OBJECT
 public:
  using SheetModel::SheetModel;
  // Takes the cues, the cue list's texts and the raw-channel flags of the show.
  void rebuild(const ConsoleState& S);

  int sheetRows() const override { return int(numbers_.size()) + 1; }
  int sheetColumns() const override { return channels_ + 2; }
  QString cell(int row, int column) const override;
  QString comment(int row, int column) const override;
  int columnWidth(int column) const override { return column == 0 ? 50 : column == 1 ? 120 : 40; }
  bool centred(int column) const override { return column != 1; }
  bool numeric(int row, int column) const override { return row > 0 && column >= 2; }
  // The level a cell shows: the byte of a raw-DMX channel, else its percentage.
  int level(int row, int channel) const;

 private:
  int channels_ = 0;
  std::vector<QString> numbers_;
  std::vector<QString> descriptions_;
  std::vector<QByteArray> levels_;
  std::vector<bool> raw_;
};

class PatchSheetModel : public SheetModel {
  Q_OBJECT
 public:
  using SheetModel::SheetModel;
  // Reads `maxChannels` channel lines of the patch file after its first line. False (with
  // `error`) when the file cannot be read; the sheet is then empty.
  bool rebuild(const QString& patchFile, int maxChannels, QString* error = nullptr);

  int sheetRows() const override { return int(rows_.size()) + 1; }
  int sheetColumns() const override { return 3; }
  QString cell(int row, int column) const override;
  int columnWidth(int column) const override { return column == 0 ? 50 : column == 1 ? 120 : 140; }
  bool centred(int /*column*/) const override { return false; }

 private:
  struct Row {
    QString label, dimmer, description;
  };
  std::vector<Row> rows_;
};

// The export button's caption: "Export to XLSX" from 256 columns on, else "Export to XLS".
QString workbookCaption(int columns);

// The CSV text of a sheet: one line per grid row, cells joined by ",", each line ended by CR LF, in
// Windows-1252. A cell holding ",", a double quote, CR or LF is quoted (inner quotes doubled).
QByteArray sheetCsv(const SheetModel& sheet);
// Writes the CSV through a checked temporary file.
bool writeSheetCsv(const SheetModel& sheet, const QString& path, QString* error = nullptr);
// Writes the sheet as an .xlsx workbook of one worksheet, through a checked temporary file.
bool writeSheetWorkbook(const SheetModel& sheet, const QString& path, QString* error = nullptr);
