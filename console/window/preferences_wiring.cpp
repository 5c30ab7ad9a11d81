// The preferences window on the main window: its menu item and tool button, and what each of its
// settings does to the running console.

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <memory>
#include <optional>

#include "console/editors/preferences_window.h"
#include "console/editors/select_user_window.h"
#include "console/editors/soft_patch_window.h"
#include "console/engine/console_colours.h"
#include "console/engine/show_files.h"
#include "console/remote/osc_input_socket.h"
#include "console/remote/remote_control.h"
#include "console/remote/sound_to_light.h"
#include "console/window/main_window.h"
#include "console/window/styles.h"
#include "platform/processes.h"
#include "platform/program_folder.h"
#include "platform/pumped_wait.h"
#include "platform/ui/dialog_owner.h"

void Tform1::createPreferences() {
  PreferencesHost host;
  host.selectUser = [this] {
    // Modal to Preferences, which asked and stays on top: above it, not behind it.
    Tusers users(S, programFolder(), Preferences);
    openAbove(users, Preferences);
    users.exec();
  };
  host.styleNames = [] { return builtInStyleNames(); };
  host.activeStyle = [] { return activeStyleName(); };
  host.setStyle = [this](const QString& name) {
    scComboBox1Change(name);
    if (QTableWidgetItem* corner = cuelist->item(0, 0))
      CueListBackground = rgbToBgr(corner->background().color());
  };
  host.setClockColour = [this](int) { S.DarkColor == 2 ? Blackbackground() : SetColor(); };
  host.renumberCues = [this](int increment) {
    try {
      if (renumberCues(cueFile_, increment)) ReadCues();
    } catch (const CueFileError& e) {
      MyExceptionHandler(QString::fromStdString(e.what()));
    }
  };
  // Keys typed into the field while the map file rests run this again inside the wait: they only
  // leave their level, and the rewrite that is waiting writes the last one typed.
  host.rewriteWarmUp = [this, latest = std::make_shared<std::optional<int>>()](int warmUp) {
    const bool waiting = latest->has_value();
    *latest = warmUp;
    if (waiting) return;
    mapFile_.close();
    waitPumped(250);
    const int level = latest->value();
    latest->reset();
    const PatchFileResult r = rewriteWarmUp(mapFile_, S.FixtureMapFile, level, S.Fixtures);
    if (!r.ok()) MyExceptionHandler(r.error);
  };
  host.applyCueListLook = [this](int dark) { dark == 2 ? Blackbackground() : SetColor(); };
  host.displayInterval = [this] { return S.ShowProgress ? displayTimer->interval() : 0; };
  host.setDisplayInterval = [this](int ms) {
    if (ms > 0) displayTimer->setInterval(ms);
  };
  host.loadCurve = [this] { Loadcurve(); };
  host.oscPort = [this] { return S.OSCListen; };
  host.rebindOsc = [this](int port) {
    closeOscListener();
    return oscListener_ && oscListener_->Activate(port);
  };
  host.applyCompanion = [this] { remote_->setCompanionPeer(S.PeerAddress, quint16(S.NetPort)); };
  host.cueListFont = [this] { return cuelist->font(); };
  host.setCueListFont = [this](const QFont& font) {
    cuelist->setFont(font);
    cuelist->clearContents();
    waitPumped(15);
    // The font the list has now: another choice may have been made during the wait.
    const QFont chosen = cuelist->font();
    const int height = std::max(24, int(std::lround(1.6 * QFontMetrics(chosen).height())));
    cuelist->verticalHeader()->setDefaultSectionSize(height);
    ReadCues();
    if (Patch) {
      Patch->patchgrid->setFont(chosen);
      Patch->patchgrid->verticalHeader()->setDefaultSectionSize(height);
    }
  };
  host.focusCueList = [this] { cuelist->setFocus(); };
  host.restart = [this] {
    startProgram("restartvql");
    close();
  };
  host.bandFile = [] {
    const QString found = findFileNoCase(programFolder(), kS2LBandFileName);
    return QFileInfo::exists(found) ? found : programFolder() + "/" + kS2LBandFileName;
  };
  host.applyBand = [this](int band, const QString& list, int minimum) {
    osc_->bands().setBand(band, list);
    osc_->bands().setMinimum(band, minimum);
  };
  host.applyBandMinimum = [this](int band, int minimum) { osc_->bands().setMinimum(band, minimum); };
  Preferences = new TPreferences(S, std::move(host), this);

  connect(addMenuItem("&Options", "Preferences"), &QAction::triggered, this, &Tform1::btnPrefsClick);
  connect(addToolButton("btnprefs", "Prefs", "Display the Preferences tool"), &QToolButton::clicked, this,
          &Tform1::btnPrefsClick);
}

void Tform1::btnPrefsClick() {
  Preferences->show();
  Preferences->raise();
  Preferences->move(geometry().center() - Preferences->rect().center());
}
