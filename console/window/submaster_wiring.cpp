// The main window's side of the submaster window, the scene dialog and the bump keys.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "console/editors/scene_dialog.h"
#include "console/editors/submaster_window.h"
#include "console/engine/bump_engine.h"
#include "console/engine/level_math.h"
#include "console/engine/submasters.h"
#include "console/engine/tavro_utils.h"
#include "console/remote/midi_control.h"
#include "console/window/main_window.h"
#include "platform/ini_file.h"
#include "platform/message_dialog.h"
#include "platform/operator.h"
#include "platform/program_folder.h"
#include "platform/ui/dialog_owner.h"

class Tform1::SubmasterHostAdapter : public SubmasterHost, public SceneHost {
 public:
  explicit SubmasterHostAdapter(Tform1& form) : f(form) {}

  ConsoleState& state() override { return f.S; }
  QString levelEditText(int ch) override {
    return ch >= 1 && ch <= int(f.ChannelEdits.size()) ? f.ChannelEdits[size_t(ch - 1)]->text() : QString();
  }
  void showLevelText(int ch, const QString& text) override {
    if (ch >= 1 && ch <= int(f.ChannelEdits.size())) f.setEditTextQuietly(ch - 1, text);
  }
  void setLevelEditText(int ch, const QString& text) override {
    if (ch >= 1 && ch <= int(f.ChannelEdits.size())) f.ChannelEdits[size_t(ch - 1)]->setText(text);
  }
  void setSubmasterMark(int ch, bool visible) override {
    if (ch < 1 || ch > int(f.ChannelMarks.size())) return;
    // The painted grid has one mark; the submaster marker shows as that mark.
    f.ChannelMarks[size_t(ch - 1)]->setVisible(visible);
  }
  void setLevelEditColour(int ch, int bgr) override {
    if (ch < 1 || ch > int(f.ChannelEdits.size())) return;
    f.ChannelEdits[size_t(ch - 1)]->setFontColor(bgr);
    f.S.ChannelColors[size_t(ch - 1)] = bgr;
  }
  void sendDMX() override { f.sendDMX(); }
  void focusCueList() override { f.cuelist->setFocus(); }
  QString programFolder() override { return ::programFolder(); }
  QString programPath() override { return ::programPath(); }
  void reloadPatch(const QString& patchFileName) override {
    f.S.SoftPatchFile = patchFileName;
    PatchContext ctx = f.patchContext();
    const PatchFileResult r = Loadgrid(ctx, f.S.Patch, f.PatchGrid_);
    if (!r.ok()) f.MyExceptionHandler(r.error);
  }
  void saveWindowSettings(int top, int left, bool useRep) override {
    IniFile ini(f.S.MainIniFile);
    ini.writeInteger("Settings", "subTop", top);
    ini.writeInteger("Settings", "subLeft", left);
    ini.writeBool("Settings", "UseRep", useRep);
    ini.saveIfModified();
  }
  int savedTop() override { return IniFile(f.S.MainIniFile).readInteger("Settings", "subTop", 0); }
  int savedLeft() override { return IniFile(f.S.MainIniFile).readInteger("Settings", "subLeft", 0); }
  void fileError(const QString& message) override {
    // Titled by what failed (a full disk while saving a strip shows as the submaster file's
    // problem), not as an error of the program.
    if (f.S.LogLevel > 0) WriteLog(message);
    showMessage("Submaster file", message, DialogIcon::Error);
  }
  bool midiActive() override { return f.S.MidiSurface >= 0; }
  void loadSubmasterLoop(int /*strip*/, const QString& path) override { f.loops().ReadSubloopCues(path); }
  void startSubmasterLoop(int /*strip*/, double scale) override { f.loops().startSubmasterLoop(scale); }
  void setSubmasterLoopScale(double scale) override { f.loops().setSubLoopScale(scale); }
  void submasterLoopStopped() override { f.loops().submasterLoopStopped(); }

 private:
  Tform1& f;
};

namespace {
// MIDI controllers move the strips as the submaster window's own faders do.
class MidiStrips : public MidiSubmasters {
 public:
  explicit MidiStrips(Submasters& subs) : subs_(subs) {}
  QString stripTitle(int strip) const override { return subs_.strip(strip).title; }
  void Setsub(int strip) override { subs_.Setsub(strip); }
  int setFader(int strip, int value) override {
    subs_.setFader(strip, value);
    return subs_.fader(strip);
  }
  void setCurrentStrip(int strip) override { subs_.setCurrentSub(strip); }

 private:
  Submasters& subs_;
};
}  // namespace

void Tform1::createSubmastersAndScenes() {
  auto adapter = std::make_unique<SubmasterHostAdapter>(*this);
  SceneHost& sceneHost = *adapter;
  subHost_ = std::move(adapter);
  Form3_ = std::make_unique<TForm3>(*subHost_, this, operator_);
  Form7_ = std::make_unique<TForm7>(sceneHost, this);
  midiStrips_ = std::make_unique<MidiStrips>(Form3_->engine());
  setMidiSubmasters(midiStrips_.get());

  BumpEngine::Hooks h;
  h.send = [this] { sendDMX(); };
  h.readScene = [this](int record, QString* error) { return readScene(S.SceneFile, record, error); };
  h.sceneError = [this](const QString& message) { MyExceptionHandler(message); };
  h.log = [](const QString& line) { WriteLog(line); };
  h.alternateLabelChanged = [this](const QString& text) {
    if (!bumpkey) return;
    bumpkey->setText(text);
    placeHeaderControls();  // the label grows to its new text
  };
  bumps_ = std::make_unique<BumpEngine>(S, clock_, std::move(h));

  // The keyboard dispatcher's bump actions. A held key repeats its press; the key's own bump is
  // already on, so the repeats do nothing.
  bumpPressed_ = [this](int key) { bumps_->SendBump(key, false); };
  bumpScenePressed_ = [this](int record) {
    for (int k = 0; k < kBumpKeys; ++k)
      if (S.BumpSceneTable[size_t(k)] == record) {
        bumps_->loadbumpscene(k, record, false);
        return;
      }
  };
  bumpReleased_ = [this](int key) { bumps_->ClearBump(key); };
}

TForm3& Tform1::submasters() { return *Form3_; }
TForm7& Tform1::scenes() { return *Form7_; }
BumpEngine& Tform1::bumps() { return *bumps_; }

void Tform1::bumpKeyDown(int key, bool keyHeld) { bumps_->keyDown(key, keyHeld); }
void Tform1::bumpKeyUp(int key) { bumps_->keyUp(key); }

void Tform1::syncSubmasterFaders() {
  if (Form3_) Form3_->engine().syncFaders();
}

void Tform1::submastersRead(const SubmasterFileSetup& setup) {
  if (!Form3_) return;
  Form3_->engine().applySetup(setup);
  if (!Form3_->engine().showNeedsWindow(setup) || Form3_->isVisible()) return;
  MessageSpec m;
  m.title = "Submasters needed";
  m.text = "The Submaster window needs to be open to run this cue file.";
  m.icon = DialogIcon::Information;
  m.place = MessageSpec::Place::OffsetFromParent;
  m.position = QPoint(200, 200);
  m.parent = this;
  showMessage(m);
  Form3_->show();
}

void Tform1::showOpenedScenes() {
  if (!Form7_) return;
  // Another show: no key plays the previous show's scenes, and no bump of it stays held.
  S.BumpSceneTable.fill(0);
  bumps_->reset();
  Form7_->Readlist();
}

void Tform1::showSceneDialog(const SceneDialogRequest& r) {
  TForm7& d = *Form7_;
  d.loadsave->setText(r.buttonCaption);
  d.loadsave->setToolTip(r.buttonHint);
  d.textbox->setText(r.promptLabel);
  d.sceneadd->setText(r.name);
  if (r.clearBumpKey) d.bumpFkey->setCurrentIndex(0);
  d.setToolTip(r.dialogHint);
  // The cue editor asks for it: the scenes open above the editor, which waits for them.
  openAbove(d, EditCue_ && EditCue_->isVisible() ? EditCue_.get() : dialogOwner(nullptr));
  d.exec();
}
