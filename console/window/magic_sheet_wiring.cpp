// The magic sheet, the bulk channel change dialog and the spreadsheet window on the main window:
// their tool buttons and menu items, the magic sheet key and its answer when the console closes.

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

#include "console/editors/channel_change_dialog.h"
#include "console/editors/cue_list_editing.h"
#include "console/editors/magic_sheet.h"
#include "console/editors/spreadsheet_window.h"
#include "console/engine/cue_file.h"
#include "console/window/main_window.h"
#include "platform/ini_file.h"
#include "platform/timer_list.h"

void Tform1::createMagicSheet() {
  MagicSheetHost magic;
  magic.state = [&state = S]() -> ConsoleState& { return state; };
  magic.settingsFile = [this] { return S.MainIniFile; };
  // Beside the settings file: the program's own path with the layout files' extensions.
  magic.groupFile = [this] { return changeFileExt(S.MainIniFile, ".mgrp"); };
  magic.channelFile = [this] { return changeFileExt(S.MainIniFile, ".mchl"); };
  magic.textWidth = [this](const QString& text) { return GetTextWidth(text); };
  magic.channelHint = [this](int n) {
    return n >= 1 && n <= int(ChannelPanels.size()) ? ChannelPanels[size_t(n - 1)]->toolTip() : QString();
  };
  magic.setPressKeys = [this](bool ctrl, bool shift) {
    Keys.CtrlDown = ctrl;
    Keys.ShiftDown = shift;
  };
  magic.clearSelection = [this] { clearSelection(); };
  magic.showChannel = [this](int n) {
    const int page = pageOfChannel(n - 1);
    if (page < 0) return false;
    dimpages->setCurrentIndex(page);
    selectChannel(n - 1);
    ChannelEdits[size_t(n - 1)]->setFocus();
    return true;
  };
  magic.sendDMX = [this] { sendDMX(); };
  magic.ledintens = [this](int address) { return ledintens(address); };
  Magical = new TMagical(std::move(magic), clock_, this);
  showMagicSheet_ = [this] {
    if (Magical->isVisible()) {
      Magical->raise();
      Magical->activateWindow();
    } else {
      Magical->show();
    }
  };
  magicSheetVeto_ = [this] { return Magical->SaveMagic(); };

  ChannelChangeHost change;
  change.state = [&state = S]() -> ConsoleState& { return state; };
  change.cueFile = [this]() -> CueFile& { return cueFile_; };
  change.keyend = [this] { keyend(); };
  change.showRecorded = [this] {
    if (recordok) recordok->show();
    TimerList1->arm("showok");
  };
  change.readCues = [this] { ReadCues(); };
  change.focusCueList = [this] { cuelist->setFocus(); };
  change.exceptionHandler = [this](const QString& error) { MyExceptionHandler(error); };
  addchannel = new Taddchannel(std::move(change), this);
  showBulkChange_ = [this] { addchannel->exec(); };

  SpreadsheetHost sheet;
  sheet.state = [&state = S]() -> ConsoleState& { return state; };
  sheet.settingsFile = [this] { return S.MainIniFile; };
  sheet.chooseSaveFile = [this](const QString& suffix) {
    QFileDialog dialog(Spreadsheet, "Save File Location");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter("All files (*)");
    dialog.setDefaultSuffix(suffix);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };
  sheet.focusCueList = [this] { cuelist->setFocus(); };
  sheet.exceptionHandler = [this](const QString& error) { MyExceptionHandler(error); };
  Spreadsheet = new TSpreadsheet(std::move(sheet), this);
  const IniFile ini(S.MainIniFile);
  Spreadsheet->SpreadTop = ini.readInteger("Settings", "spreadTop", y());
  Spreadsheet->SpreadLeft = ini.readInteger("Settings", "spreadLeft", x());
  Spreadsheet->SpreadWidth = ini.readInteger("Settings", "spreadWidth", width());
  Spreadsheet->SpreadHeight = ini.readInteger("Settings", "spreadHeight", height());

  connect(addMenuItem("&File", "Show Cue Spreadsheet"), &QAction::triggered, this,
          [this] { showSpreadsheet(false); });
  connect(addMenuItem("&File", "Show Patch Spreadsheet"), &QAction::triggered, this,
          [this] { showSpreadsheet(true); });
  connect(addToolButton("btnChannel", "Levels", "Modify levels in the current cue list"),
          &QToolButton::clicked, this, [this] { editing_->btnChannelClick(); });
  connect(addToolButton("Msheet", "Magic", "Display the Magic sheet"), &QToolButton::clicked, this,
          &Tform1::MsheetClick);
}

void Tform1::MsheetClick() {
  if (Magical->isVisible())
    Magical->close();
  else
    Magical->show();
}

void Tform1::showSpreadsheet(bool patchView) {
  Spreadsheet->SpreadPatchView = patchView;
  if (Spreadsheet->isVisible()) Spreadsheet->FormActivate();
  Spreadsheet->show();
  Spreadsheet->raise();
  Spreadsheet->activateWindow();
}
