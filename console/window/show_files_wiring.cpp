// Show files on the main window: new show, load show, the recent shows and the show-set backup.

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

#include "console/editors/cue_list_editing.h"
#include "console/engine/show_files.h"
#include "console/engine/tavro_utils.h"
#include "console/window/main_window.h"
#include "platform/file_dialog.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"
#include "platform/program_folder.h"
#include "platform/pumped_wait.h"

namespace {
const QString kCueFilter = "Cue Files (*.lcue *.LCUE)";
}  // namespace

void Tform1::createShowFiles() {
  connect(addMenuItem("&File", "New Show"), &QAction::triggered, this, &Tform1::btnNewClick);
  connect(addMenuItem("&File", "Load Show"), &QAction::triggered, this, &Tform1::btnLoadClick);
  RecentMenu = mainMenu("&File")->addMenu("Most Recent Shows");
  connect(addMenuItem("&File", "Backup/Save As ..."), &QAction::triggered, this, &Tform1::btnSaveClick);
  connect(addToolButton("btnNew", "New", "Create a new cue file"), &QToolButton::clicked, this,
          &Tform1::btnNewClick);
  connect(addToolButton("btnLoad", "Open", "Open an existing cue file"), &QToolButton::clicked, this,
          &Tform1::btnLoadClick);
  connect(addToolButton("btnSave", "Backup", "Make a backup of the current show"), &QToolButton::clicked,
          this, &Tform1::btnSaveClick);
  rebuildRecentMenu();
}

void Tform1::rebuildRecentMenu() {
  if (!RecentMenu) return;
  RecentMenu->clear();
  for (const QString& path : S.MostRecentFiles1.files())
    RecentMenu->addAction(path, this, [this, path] { MostRecentFiles1MenuClick(path); });
  RecentMenu->setEnabled(!S.MostRecentFiles1.files().isEmpty());
}

void Tform1::addRecentShow(const QString& path) {
  S.MostRecentFiles1.AddFile(path);
  // Kept at once, so a show opened just before a crash is still in the list.
  IniFile ini(S.MainIniFile);
  S.MostRecentFiles1.write(ini);
  ini.saveIfModified();
  rebuildRecentMenu();
}

void Tform1::MostRecentFiles1MenuClick(const QString& path) {
  if (S.Unrecorded) SaveDirty();
  if (!QFileInfo::exists(path)) {
    showMessage("Could not Open", "Unable to find the file\r\n" + path + ".", DialogIcon::Error,
                DialogButtons::Cancel);
    return;
  }
  addRecentShow(path);
  S.CueFileName = path;
  OpenCueFile();
}

void Tform1::btnLoadClick() {
  if (S.Unrecorded) SaveDirty();
  FileDialogSpec spec;
  spec.kind = FileDialogSpec::Kind::Open;
  spec.title = "Select Cue file";
  spec.filter = kCueFilter;
  spec.defaultSuffix = "lcue";
  spec.directory = QFileInfo(S.CueFileName).absolutePath();
  spec.parent = this;
  const QString chosen = chooseFile(spec);
  if (chosen.isEmpty()) return;
  S.CueFileName = chosen;
  addRecentShow(chosen);
  OpenCueFile();
}

void Tform1::btnNewClick() {
  if (S.Unrecorded) SaveDirty();
  const QString previous = S.CueFileName;
  FileDialogSpec save;
  save.kind = FileDialogSpec::Kind::Save;
  save.filter = kCueFilter;
  save.defaultSuffix = "lcue";
  save.parent = this;
  if (showMessage("Create a new Directory?", "To start, do you want a new directory\rfor this cue file?",
                  DialogIcon::Confirmation, DialogButtons::YesNo) == DialogResult::Yes) {
    showMessage("Create a new Directory",
                "In the next window, go to the parent\rdirectory, then add \"/\" and the new name.",
                DialogIcon::Information);
    FileDialogSpec folder;
    folder.kind = FileDialogSpec::Kind::Folder;
    folder.directory = programFolder() + "/Shows";
    folder.parent = this;
    const QString chosenFolder = chooseFile(folder);
    if (chosenFolder.isEmpty()) return;
    QDir().mkpath(chosenFolder);
    save.directory = chosenFolder;
    save.title = "Enter new File Name";
  } else {
    save.title = "Select Directory and Enter the new File name";
  }
  QString name = chooseFile(save);
  if (name.isEmpty()) return;
  name = withCueExtension(name);
  if (QFileInfo::exists(name)) {
    showMessage("Cue file exists", "You can't pick an existing file as a \"new\" file.", DialogIcon::Warning);
    return;
  }
  cueFile_.close();
  mapFile_.close();
  QFile created(name);
  if (!created.open(QIODevice::WriteOnly)) {
    MyExceptionHandler("Cannot create the cue file " + name + ": " + created.errorString());
    if (!previous.isEmpty()) cueFile_.open(previous);
    return;
  }
  created.close();
  cuelist->setRowCount(0);
  S.CueFileName = name;
  S.Rows.CurrentCue = 0;
  S.Rows.RunningCue = 0;
  S.Rows.LastSelectedRow = 0;
  deriveSideFiles();
  if (!S.FileSource &&
      showMessage("Softpatches, Scenes, and Fixtures",
                  "Would you like to use the existing files\n\ras your base for this show? (Recommended)",
                  DialogIcon::Confirmation, DialogButtons::YesNo) == DialogResult::Yes) {
    FileDialogSpec base;
    base.kind = FileDialogSpec::Kind::Open;
    base.title = "Select the Softpatch file of the existing set";
    base.filter = "Softpatch Files (*.spch *.SPCH)";
    base.defaultSuffix = "spch";
    base.directory = QFileInfo(previous).absolutePath();
    base.parent = this;
    const QString chosen = chooseFile(base);
    if (!chosen.isEmpty()) {
      patch::copyOver(chosen, S.SoftPatchFile);
      const std::pair<const char*, QString*> sides[] = {
          {".fmap", &S.FixtureMapFile}, {".scne", &S.SceneFile}, {".lgrp", &S.GroupFile}};
      for (const auto& [ext, target] : sides) {
        const QString source = patch::changeFileExt(chosen, ext);
        if (QFileInfo::exists(source)) patch::copyOver(source, *target);
      }
      waitPumped(100);
    }
  }
  S.Cues.CueCount = 0;
  PatchContext ctx = patchContext();
  if (QFileInfo::exists(S.SoftPatchFile)) {
    const PatchFileResult loaded = Loadgrid(ctx, S.Patch, PatchGrid_);
    if (!loaded.ok()) MyExceptionHandler(loaded.error);
  }
  showOpenedScenes();  // the new show's scene list, not the previous show's
  if (!QFileInfo::exists(S.SoftPatchFile)) NewPatch(ctx, S.Patch, &PatchGrid_);
  if (!QFileInfo::exists(S.FixtureMapFile)) Newmapfile(ctx);
  if (!S.FileSource) {
    const QString scrollers = IniFile(S.MainIniFile).readString("Scrollers", "Last", QString());
    if (!scrollers.trimmed().isEmpty() &&
        showMessage("Color scroller channels",
                    "Would you like to use the existing\n\rscroller channels for this show?",
                    DialogIcon::Confirmation, DialogButtons::YesNo) == DialogResult::Yes) {
      PatchFileResult taken;
      takeOverScrollers(S.FixtureMapFile, scrollers, S.MaxChannels, taken);
      if (!taken.ok()) MyExceptionHandler(taken.error);
    }
  }
  cueFile_.open(S.CueFileName);
  ReadCues();
  LoadGroups(S.GroupFile);
  addRecentShow(S.CueFileName);
  editing_->btnAddClick();
}

void Tform1::btnSaveClick() {
  if (S.Unrecorded) SaveDirty();
  FileDialogSpec spec;
  spec.kind = FileDialogSpec::Kind::Save;
  spec.title = "Backup File Location and Name";
  spec.directory = programFolder() + "/Shows";
  spec.parent = this;
  const QString chosen = chooseFile(spec);
  if (chosen.isEmpty()) return;
  const QString target = withCueExtension(chosen);
  if (sameFile(target, S.CueFileName)) {
    showMessage("File Name Error",
                "To be a backup, the new file must either have a different name or location.",
                DialogIcon::Error, DialogButtons::Retry);
    return;
  }
  mapFile_.close();
  cueFile_.close();
  const QString error =
      backupShowSet({S.CueFileName, target, S.FileSource, programPath(), S.FixtureLibraryFile});
  if (!error.isEmpty()) MyExceptionHandler(error);
  waitPumped(10);
  cueFile_.open(S.CueFileName);
  ReadCues();
}
