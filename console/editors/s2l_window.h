#pragma once

// The "Sound2Light Channels" window (`TS2Lset`): the channels and minimum level of each of the four
// sound-to-light bands, kept in the band file.

#include <QDialog>
#include <functional>

class QTableWidget;

class TS2Lset : public QDialog {
  Q_OBJECT
 public:
  // `bandFile`: the band file's path. `apply(band, list, minimum)` hands a saved band to the bands
  // in use; `applyMinimum(band, minimum)` a minimum read back from the file.
  TS2Lset(std::function<QString()> bandFile, std::function<void(int, const QString&, int)> apply,
          std::function<void(int, int)> applyMinimum, QWidget* parent);

  QTableWidget* oscgrid = nullptr;
  // Fills the grid from the band file (and the minimums in use from it).
  void Readosc();
  // Saves the four bands; false (nothing written, the window stays open) when a row is refused.
  bool scButton2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::function<QString()> bandFile_;
  std::function<void(int, const QString&, int)> apply_;
  std::function<void(int, int)> applyMinimum_;
};
