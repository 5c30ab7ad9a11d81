#pragma once

// The "Inspection Tool" (`Ttools`): the console's service window. Its memo is where the trace lines
// of the interface, network and MIDI code go while it is shown; it lists the interfaces found at
// start-up, polls for Art-Net nodes and picks the two universes' destinations, reads DMX input from
// a widget, sends a test line to the follow-spot client and gives raw access to the fixture map and
// the fixture library.

#include <QByteArray>
#include <QDialog>
#include <QStringList>
#include <functional>

#include "console/patch/fixture_map_tools.h"
#include "console/patch/patch_context.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class Clock;
class ClockTimer;
struct ConsoleState;
struct PatchGrid;

// What the tool needs of the rest of the console.
struct InspectionHost {
  std::function<QStringList()> deviceList;
  std::function<int()> selectedDevice;
  // Empties the console's own list of trace lines.
  std::function<void()> clearLog;
  std::function<quint64()> processMemory;
  std::function<void()> focusCueList;
  // The test line's bytes to the first follow-spot client; false when none is connected.
  std::function<bool(const QByteArray&)> sendFollowSpot;
  // DMX input: the link's reading flag, one widget request, and the D2XX device (when there is one).
  std::function<void(bool)> setReadingDmxIn;
  std::function<void(const QByteArray&)> sendWidgetCommand;
  std::function<bool()> hasD2xxDevice;
  std::function<void()> resetD2xx;
  // Art-Net: creates the link when there is none (false when it cannot be made), broadcasts a poll,
  // and what the replies have brought so far.
  std::function<bool()> ensureArtNet;
  std::function<bool()> artPoll;
  std::function<bool()> artPollReplied;
  std::function<void(bool)> setArtPollReplied;
  std::function<QStringList()> artNodes;
  std::function<void()> clearArtNodes;
  // The fixture map: the main window's kept handle is closed before every operation, and the map in
  // memory is read again after every change.
  std::function<void()> closeMapFile;
  std::function<void()> reloadFixtureMap;
  // The main window rebuilds its channel hints from the patch and the map.
  std::function<void()> refreshChannelHints;
  std::function<PatchContext()> patchContext;
  std::function<PatchGrid&()> grid;
  // Saves the patch grid to the soft patch file.
  std::function<PatchFileResult()> savePatch;
  std::function<QString()> programFolder;
  std::function<void(const QString&)> exceptionHandler;
  std::function<void(int ms)> waitPumped;
};

class Ttools : public QDialog {
  Q_OBJECT
 public:
  // `clock`: what the DMX input read is timed on.
  Ttools(ConsoleState& state, InspectionHost host, Clock& clock, QWidget* parent = nullptr);
  ~Ttools() override;

  // Adds the text as a new line at the end of the log.
  void Display(const QString& text);
  // Lines the log keeps at most: the oldest go first.
  static constexpr int kMaxLogLines = 5000;
  // The key last pressed in the main window.
  void showKey(int key);
  // The interface list from discovery.
  void refreshDevices();
  // A node that replied to a poll after its wait ended.
  void nodeAdded(const QString& address);

  void FormShow();
  void FormClose();
  void FormDeactivate();
  void FormHide();
  void IPconnectClick();
  void Button1Click();  // Clear
  void Button2Click();  // Read Fmap
  void Button3Click();  // New Fmap
  void Button4Click();  // Read Fixtures
  void Button5Click();  // Reset Warmup
  void Button6Click();  // Rebuild Hints
  void Button7Click();  // Read DMX In
  void btnRebuildClick();
  void BitBtn1Click();  // Write
  void BitBtn2Click();  // Read
  void BitBtn3Click();  // Poll
  void BitBtn4Click();  // Pick 1
  void BitBtn5Click();  // Pick 2
  void dmxTimerTimer();

  QTextEdit* Memo1 = nullptr;
  QComboBox* devList = nullptr;
  QLabel* keyp = nullptr;
  QLabel* mem = nullptr;
  QLineEdit* Mesg = nullptr;
  QPushButton* IPconnect = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button6 = nullptr;
  QPushButton* btnRebuild = nullptr;
  QPushButton* Button7 = nullptr;
  ClockTimer* dmxTimer = nullptr;
  QLineEdit* fmrec = nullptr;
  QLineEdit* fmaddr = nullptr;
  QLineEdit* fmmin = nullptr;
  QLineEdit* fmvalue = nullptr;
  QLineEdit* fmcolor = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QPushButton* BitBtn3 = nullptr;
  QComboBox* NetList = nullptr;
  QPushButton* BitBtn4 = nullptr;
  QPushButton* BitBtn5 = nullptr;

  // The log as plain text lines (tests and the dumps read it this way).
  QStringList logLines() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  void done(int result) override;

 private:
  void build();
  void storeGeometry();
  void clearLog();
  void appendPieces(const fixture_tools::DumpLine& line);
  void report(const PatchFileResult& r);
  void mapChanged();

  ConsoleState& S;
  InspectionHost host_;
  bool closing_ = false;
};
