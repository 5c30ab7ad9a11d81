// Opening the show at start-up and after every change of the cue file: the cue file, its soft patch
// and fixture map, the cue list on screen, and the first-activation work.

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTableWidget>

#include "console/editors/placed_operator.h"
#include "console/engine/console_colours.h"
#include "console/engine/console_settings.h"
#include "console/engine/cue_file_open.h"
#include "console/engine/cue_reader.h"
#include "console/window/main_window.h"
#include "console/window/splash_window.h"
#include "platform/file_dialog.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"
#include "platform/operator.h"
#include "platform/program_folder.h"
#include "platform/pumped_wait.h"

namespace {
// The open dialog for a request written as "Description (*.ext)|*.EXT": the patterns of both halves
// make the one name filter. The file must exist when the request says so.
QString openFileDialog(QWidget* parent, const OpenFileRequest& request) {
  const QStringList parts = request.filter.split('|');
  QString description = parts.value(0);
  QStringList patterns;
  const qsizetype open = description.indexOf('(');
  if (open >= 0) {
    patterns = description.mid(open + 1).remove(')').split(QRegularExpression("[ ;]"), Qt::SkipEmptyParts);
    description = description.left(open).trimmed();
  }
  for (const QString& p : parts.value(1).split(';', Qt::SkipEmptyParts))
    if (!patterns.contains(p)) patterns << p;
  FileDialogSpec spec;
  spec.kind = request.mustExist ? FileDialogSpec::Kind::Open : FileDialogSpec::Kind::Save;
  spec.title = request.title;
  spec.filter = description + " (" + patterns.join(' ') + ")";
  spec.defaultSuffix = request.defaultExt;
  spec.fileName = request.fileName;
  spec.parent = parent;
  return chooseFile(spec);
}
}  // namespace

// The main window's side of opening and reading a show.
class Tform1::ShowHost : public CueReadHost, public CueOpenHost {
 public:
  explicit ShowHost(Tform1& form) : f(form) {}

  void processMessages() override { f.clock_.pumpEvents(); }
  void cueListLoaded() override { f.fillCueList(); }
  void followSpotCueRead(int) override { f.startPrompter(); }
  void cuesLoaded() override {
    f.SetColor();
    if (f.validRow(f.S.Rows.RunningCue)) f.setNumberCellColour(f.S.Rows.RunningCue, kPlayedColour);
    f.FormActivate();
  }
  void submastersRead(const SubmasterFileSetup& setup) override { f.submastersRead(setup); }
  void readingFinished() override { f.S.MidiReady = true; }

  void closeSideFiles() override { f.mapFile_.close(); }
  void cueFileMissing() override {
    if (f.Form6) f.Form6->close();
    f.Redraw();
    for (int i = 0; i < int(f.ChannelEdits.size()); ++i) f.setEditTextQuietly(i, "0");
  }
  void settingsQuestionAnswered() override {
    f.cuelist->setRowCount(0);
    IniFile ini(f.S.MainIniFile);
    writeLastCueFile(ini, f.S);
    ini.saveIfModified();
    if (f.Form6) f.Form6->close();
  }
  void channelCountDeclined() override {
    if (f.Form6) f.Form6->close();
  }

 private:
  Tform1& f;
};

PatchContext Tform1::patchContext() {
  PatchContext ctx(S.SoftPatchFile, S.FixtureMapFile);
  ctx.CueFileName = S.CueFileName;
  ctx.SceneFileName = S.SceneFile;
  ctx.GroupFileName = S.GroupFile;
  ctx.programFolder = programFolder();
  ctx.MaxChannels = S.MaxChannels;
  ctx.FileSource = S.FileSource;
  ctx.UseRepPlot = S.UseRepPlot;
  ctx.WarmUpLevel = S.WarmUp;
  ctx.ledintens = [this](int start) { return ledintens(start); };
  ctx.openFile = [this](const OpenFileRequest& request) { return openFileDialog(this, request); };
  ctx.waitPumped = [this](int ms) { clock_.waitPumped(ms); };
  ctx.operatorToAsk = std::make_shared<PlacedOperator>(operator_, this);
  return ctx;
}

void Tform1::deriveSideFiles() {
  const QString base = QFileInfo(programPath()).completeBaseName();
  auto side = [this, &base](const QString& ext) {
    if (S.FileSource) return sideFilePath(base + ext);
    const QFileInfo cue(S.CueFileName);
    return cue.absolutePath() + "/" + cue.completeBaseName() + ext;
  };
  S.FixtureLibraryFile = sideFilePath(base + ".lfix");
  S.FixtureMapFile = side(".fmap");
  S.SoftPatchFile = side(".spch");
  S.SceneFile = side(".scne");
  S.GroupFile = side(".lgrp");
}

void Tform1::fillCueList() {
  const CueTables& t = S.Cues;
  playback_->clearMarks();
  cuelist->setRowCount(t.CueCount);
  for (int r = 1; r <= t.CueCount; ++r) {
    const CueListRow& row = t.CueListRows[r];
    const QString texts[4] = {row.number, row.description, row.time, QString()};
    for (int c = 0; c < 4; ++c) {
      auto* item = new QTableWidgetItem(texts[c]);
      if (c != 1) item->setTextAlignment(Qt::AlignCenter);
      item->setData(Qt::UserRole, row.textColour);
      item->setForeground(bgr(row.textColour));
      if (c == 3 && row.icon >= 0) item->setText(cueIconText(row.icon));
      cuelist->setItem(r - 1, c, item);
    }
  }
  if (t.CueCount > 0) SetCaption();
  Cuesize();
}

// Each mark is a glyph the fonts installed with the console have (a stopwatch or a watch would be
// an empty box): a clock face with its hand for the advance-after cues, a clock face with a filled
// quarter for the time-code cues.
QString Tform1::cueIconText(int icon) {
  switch (icon) {
    case kCueIconAdvanceAfter:
      return "◷";
    case kCueIconFollow:
      return "↓";
    case kCueIconFollowspot:
      return "◎";
    case kCueIconOsc:
      return "✉";
    case kCueIconFile:
      return "▤";
    case kCueIconTimeCode:
      return "◔";
    case kCueIconLoop:
      return "↻";
  }
  return {};
}

bool Tform1::ReadCues() {
  CueReadSettings settings;
  settings.StepsPerSecond = S.StepsPerSecond;
  settings.MaxChannels = S.MaxChannels;
  settings.DecimalSeparator = QLocale::system().decimalPoint();
  settings.UseRepPlot = S.UseRepPlot;
  settings.ProgramFolder = programFolder();
  settings.WarmUpLevel = S.WarmUp;
  ShowHost host(*this);
  const CueReadStatus status =
      readCueFile(S.CueFileName, cueFile_, S.Cues, S.Rows, settings, host, operator_);
  if (status == CueReadStatus::Empty) fillCueList();
  return status == CueReadStatus::Loaded;
}

void Tform1::OpenCueFile() {
  const bool wasLoaded = S.Cues.CuesLoaded;
  const QString previous = cueFile_.isOpen() ? cueFile_.path() : QString();
  S.Cues.CuesLoaded = false;
  deriveSideFiles();
  ShowHost host(*this);
  CueOpenSettings settings;
  settings.FileSource = S.FileSource;
  settings.MaxChannels = S.MaxChannels;
  const CueOpenResult result = ::OpenCueFile(S.CueFileName, cueFile_, S.Cues, settings, host, operator_);
  if ((result.Status == CueOpenStatus::SettingsDeclined ||
       result.Status == CueOpenStatus::ChannelCountDeclined) &&
      !previous.isEmpty()) {
    // The show that was open stays the show, with its own side files.
    S.CueFileName = previous;
    deriveSideFiles();
    S.Cues.CuesLoaded = wasLoaded;
    return;
  }
  if (result.Status != CueOpenStatus::Opened) {
    // An empty or unreadable show leaves nothing of a previous one playable.
    if (result.Status == CueOpenStatus::Empty) ReadCues();
    if (Form6) Form6->close();
    return;
  }
  S.CueChangesAllowed = !result.Locked;
  if (menlock) menlock->setChecked(result.Locked);
  PatchContext ctx = patchContext();
  const PatchFileResult patch = Loadgrid(ctx, S.Patch, PatchGrid_);
  if (!patch.ok() && QFileInfo::exists(S.SoftPatchFile)) MyExceptionHandler(patch.error);
  showOpenedScenes();
  ReadCues();
  LoadGroups(S.GroupFile);
  if (!QFileInfo::exists(S.FixtureMapFile)) Newmapfile(ctx);
  if (!QFileInfo::exists(S.SoftPatchFile)) NewPatch(ctx, S.Patch, &PatchGrid_);
  Loadhints();
  btnBlackClick();
}

void Tform1::firstActivationWork() {
  PatchContext ctx = patchContext();
  const PatchFileResult r = loadSideFilesAtActivation(ctx, S.Patch, &PatchGrid_, mapFile_, S.Fixtures);
  if (!r.ok()) MyExceptionHandler(r.error);
  Loadhints();
  btnBlackClick();
  S.StartMemory = CurrentProcessMemory();
}
