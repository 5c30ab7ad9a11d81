#pragma once

// The keypad window (`TKeyEntry`, "Keyboard Entry"): one command line that gives levels to channels
// typed as numbers, ranges, lists with exclusions or groups ("12@50", "1/10-5*40", "1+3@60",
// "g2@80"). The levels go into the channels' level edits, so the main window's level path commits
// them as typed levels; in the Alt mode direct channels are set at once.

#include <QDialog>
#include <QStringList>

#include "console/engine/keypad_parse.h"

class QComboBox;

// What the keypad needs of the main window. Channel indexes are 0-based.
class KeypadHost {
 public:
  virtual ~KeypadHost() = default;
  virtual int maxChannels() const = 0;
  // Every mark hidden, every selected and locked flag cleared.
  virtual void clearSelection() = 0;
  virtual void selectChannel(int index) = 0;
  virtual void deselectChannel(int index) = 0;
  virtual bool isSelected(int index) const = 0;
  virtual bool isDirect(int index) const = 0;
  virtual QString levelText(int index) const = 0;
  // An ordinary edit of the level text: the level path commits it.
  virtual void setLevelText(int index, const QString& text) = 0;
  // The text shown without a commit, then the channel's output set at once (`SetDmx`).
  virtual void setLevelDirect(int index, const QString& text) = 0;
  virtual void groupset(int group) = 0;
  virtual void sendDMX() = 0;
  virtual void focusCueList() = 0;
  // The main window (the keypad keeps its place relative to it), and the place written back.
  virtual QWidget* mainWindow() = 0;
  virtual void saveKeypadOffsets(int top, int left) = 0;
  virtual QPoint keypadOffsets() const = 0;  // x = left, y = top
};

class TKeyEntry : public QDialog {
  Q_OBJECT
 public:
  TKeyEntry(KeypadHost& host, QWidget* parent);

  QComboBox* KeyEdit1 = nullptr;
  bool KeypadAltMode = false;
  bool AltDown = false;
  QStringList history() const;

  // Parses the line and applies it; false when the line was refused.
  bool parsetext();
  // The line as typed and submitted with Enter (also what a test types).
  void submit(const QString& line);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Closed by any way (the close control, Esc, Enter): its place is kept.
  void done(int result) override;

 private:
  void setOne(int index, const QString& level);
  void Fillrange(int first, int last, const QString& level);
  void FillSingle(int index, const QString& level);
  void FillGroup(QChar key, const QString& level);
  void focusLineAtEnd();

  KeypadHost& host_;
};
