// Closing the console: the rig is left at its warm-up levels, the show and the settings are on disk,
// and every outside program and listener is told or stopped.

#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTableWidget>
#include <QTimer>

#include "console/editors/cue_editor.h"
#include "console/editors/keypad_entry.h"
#include "console/editors/submaster_window.h"
#include "console/editors/window_placement.h"
#include "console/engine/console_settings.h"
#include "console/engine/tavro_utils.h"
#include "console/remote/remote_control.h"
#include "console/remote/remote_dispatcher.h"
#include "console/window/main_window.h"
#include "console/window/splash_window.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"
#include "platform/processes.h"
#include "platform/pumped_wait.h"
#include "platform/timer_list.h"

namespace {
constexpr const char* kWebRemoteCaption = "Vq Lighting Remote";
constexpr const char* kFollowSpotCaption = "Stagora Followspot";
}  // namespace

void Tform1::closeLog(const QString& line) {
  if (S.LogLevel == -1) WriteLog(line);
}

void Tform1::closeEvent(QCloseEvent* event) {
  if (inStage2_) {
    // Opening the interface and the show let events run; the close waits until they are done.
    closePending_ = true;
    event->ignore();
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
  emit shutDown();
}

bool Tform1::FormCloseQuery() {
  closeLog("begin CloseQuery");
  const bool canClose = !magicSheetVeto_ || magicSheetVeto_();
  // Switching the system beep back on has no counterpart here.
  closeLog("end CloseQuery");
  return canClose;
}

void Tform1::stopEngineTimers() {
  FadeTimer->stop();
  displayTimer->stop();
  TimerList1->cancelAll();
  if (bumps_) bumps_->stopTimers();
  S.FadeIdle = true;
  S.DimmerCheckRunning = false;
  S.LevelSteps.fill(0);
}

void Tform1::FormClose() {
  closeLog("begin Close");
  if (S.ShutdownDone) return;
  S.ShutdownDone = true;
  // Nothing that runs while closing may move a level after the warm-up frame: neither the engine's
  // timers nor a remote command arriving during one of the waits below.
  stopEngineTimers();
  if (remote_) remote_->dispatcher().close();
  S.ForcedBackup = true;
  if (S.Unrecorded) {
    SaveDirty();
    // "Save New" opens the cue editor: closing goes on once it is done. An editor that was open
    // for another reason is not waited for (a signal closes the console whatever is open).
    if (RecordPending && EditCue_ && EditCue_->isVisible()) {
      EditCue_->setWindowModality(Qt::ApplicationModal);
      while (EditCue_->isVisible() && !applicationTerminating()) waitPumped(50);
    }
    stopEngineTimers();
  }
  if (Form6) Form6->close();

  Backup.BackupCounter = 5;
  if (!S.CueFileName.isEmpty()) {
    const qint64 limit = clock_.nowMs() + 3000;
    try {
      timedBackup();
    } catch (...) {
      // A backup that fails must not keep the console from closing.
      Backup.BackupPending = false;
    }
    while (Backup.BackupPending && clock_.nowMs() < limit) delayPumped(10);
  }
  closeLog("finished backup");

  S.UpdatingEdits = true;
  S.SubSliders.fill(0);
  applyWarmUpLevels(false);
  S.LiveMode = true;
  sendDMX();
  // The closing waits are not cut short by a signal: the warm-up frame and the follow-spot's
  // "close" must still reach their wires.
  delayPumped(50);
  closeLog("finished blackout");

  if ((S.InterfaceType == kInterfaceUsbPro || S.InterfaceType == kInterfaceDmxKing ||
       S.InterfaceType == kInterfaceProMk2 || S.InterfaceType == kInterfaceEurolitePro) &&
      dmx_)
    dmx_->CloseDMXInterface();
  closeLog("finished Closepro");

  if (remote_ && remote_->fsconnShown()) {
    remote_->sendFollowSpotClose();
    delayPumped(250);
    closeOutsideWindow(kFollowSpotCaption, "Warning! Followspot video did not close.");
  }
  if (windowExists(kWebRemoteCaption)) {
    postCloseWindow(kWebRemoteCaption);
    closeOutsideWindow(kWebRemoteCaption, "Warning! Remote server did not close.");
  }

  // A server that is still listening after it was told to stop is reported; closing goes on.
  bool serversClosed = false;
  try {
    serversClosed = (!remote_ || remote_->stopServers()) && closeOscListener();
  } catch (...) {
    serversClosed = false;
  }
  freeArtNetDecoder();
  if (!serversClosed)
    showMessage("Networking problem", "Warning! Some servers did not close.", DialogIcon::Warning,
                DialogButtons::OkCancel);
  closeLog("finished Network");

  if (!S.CueFileName.isEmpty() && QFileInfo::exists(S.CueFileName)) {
    cueFile_.close();
    // Only an empty show file is removed, whatever the tables say: a file that holds bytes but no
    // whole cue is damaged, and is kept for whoever can mend it.
    if (QFileInfo(S.CueFileName).size() == 0) QFile::remove(S.CueFileName);
  }
  mapFile_.close();
  closeMidi();

  writeSettingsBack();
}

void Tform1::closeOutsideWindow(const QString& caption, const QString& warning) {
  const qint64 limit = clock_.nowMs() + 1000;
  while (windowExists(caption) && clock_.nowMs() < limit) delayPumped(10);
  if (windowExists(caption) && !postCloseWindow(caption))
    showMessage("Communication problem", warning, DialogIcon::Warning, DialogButtons::OkCancel);
}

void Tform1::writeSettingsBack() {
  IniFile ini(S.MainIniFile);
  closeLog("Recent files saved");
  // What the settings keep of the windows is taken from them as they are now.
  S.mainWindowNormal = windowState() == Qt::WindowNoState;
  if (S.mainWindowNormal) {
    const QRect r = clientRect(*this);
    S.mainTop = r.y();
    S.mainLeft = r.x();
    S.mainHeight = r.height();
    S.mainWidth = r.width();
  }
  const QFont font = cuelist->font();
  S.CueListFont.Name = font.family();
  S.CueListFont.Size = font.pointSize();
  S.CueListFont.Style = (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) |
                        (font.strikeOut() ? 8 : 0);
  S.SplitPos = cuelist->height();
  writeSettings(ini, S);
  // The submaster window and the keypad line left open reopen where they stand now.
  if (Form3_ && Form3_->isVisible()) {
    const QRect r = clientRect(*Form3_);
    ini.writeInteger("Settings", "subTop", r.y());
    ini.writeInteger("Settings", "subLeft", r.x());
    ini.writeInteger("Settings", "subWidth", r.width());
    ini.writeInteger("Settings", "subHeight", r.height());
    ini.writeBool("Settings", "UseRep", Form3_->engine().state().UseRep);
  }
  if (KeyEntry && KeyEntry->isVisible()) {
    const QPoint offsets = clientRect(*KeyEntry).topLeft() - clientRect(*this).topLeft();
    S.KeyEntryTop = offsets.y();
    S.KeyEntryLeft = offsets.x();
    writeKeypadOffsets(ini, S);
  }
  // A settings file refused as far too large was reported at start-up and is left as it is.
  if (!ini.saveIfModified() && ini.refusedSize() == 0)
    showMessage("Settings",
                "The settings file " + S.MainIniFile + " could not be written.\n" + ini.errorString(),
                DialogIcon::Warning);
  closeLog("ini updated");
}
