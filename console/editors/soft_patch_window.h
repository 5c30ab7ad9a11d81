#pragma once

// The "Soft Patch" window (`TPatch`): the patch grid as a table of one row per channel, edited in
// place, with the reminders of which channel holds an address, Save, Exit, the sort and the
// "Unpatched Dimmers" list (`TForm5`).

#include <QAbstractTableModel>
#include <QDialog>
#include <functional>

#include "console/patch/patch_context.h"
#include "console/patch/soft_patch_file.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;
struct ConsoleState;

// The patch grid's rows as a table: "Chnl", "Dimmer-DMX", "Fixture", "Description".
class PatchGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit PatchGridModel(PatchGrid& grid, QObject* parent = nullptr)
      : QAbstractTableModel(parent), grid_(grid) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  void reset();
  // Called with (channel, column, new text) when an edit ends; the window applies it.
  std::function<void(int channel, int column, const QString& text)> onEdit;

 private:
  PatchGrid& grid_;
};

// What the patch window needs of the main window.
struct SoftPatchHost {
  std::function<PatchContext()> patchContext;
  std::function<PatchGrid&()> grid;
  // Every channel whose list changed outputs its level again.
  std::function<void(const std::vector<int>& channels)> outputChannels;
  std::function<void()> refreshChannelHints;
  std::function<void()> focusCueList;
  std::function<void(const QString& error)> exceptionHandler;
  std::function<std::array<int, 8>()> bumpSceneTable;
};

class TForm5 : public QDialog {
  Q_OBJECT
 public:
  TForm5(std::function<QStringList()> lines, QWidget* parent);
  QPlainTextEdit* unpatched = nullptr;
  void FormActivate();

 protected:
  bool event(QEvent* event) override;

 private:
  std::function<QStringList()> lines_;
};

class TPatch : public QDialog {
  Q_OBJECT
 public:
  TPatch(ConsoleState& state, SoftPatchHost host, QWidget* parent);

  QTableView* patchgrid = nullptr;
  QPushButton* saveButton = nullptr;       // "Save"
  QPushButton* exitButton = nullptr;       // "Exit"
  QPushButton* unpatchedButton = nullptr;  // "Unpatched Dimmers"
  QPushButton* sortButton = nullptr;       // "Sort by Dimmer" / "Sort by Channel"
  QLabel* scLabel1 = nullptr;              // "Using Rep Plot values"
  TForm5* Form5 = nullptr;
  PatchGridModel* model() { return model_; }

  bool FormDirty = false;
  bool PatchSaveOk = false;
  QString PatchCellBefore;

  // The cell at `row` (0-based view row) and `column` becomes the current one.
  void patchgridSelectCell(int row, int column);
  // An edit of the cell ends with `text`.
  void editCell(int row, int column, const QString& text);
  void SaveClick();
  void ExitClick();
  void SortClick();
  void FormShow();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void sizeColumns();
  void applyEdit(int channel, int column, const QString& text);
  ConsoleState& S;
  SoftPatchHost host_;
  PatchGridModel* model_ = nullptr;
  QRect created_;
  bool reminderShown_ = false;
};
