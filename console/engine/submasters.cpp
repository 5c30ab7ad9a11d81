#include "console/engine/submasters.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <utility>

#include "console/engine/cue_file.h"
#include "console/engine/level_math.h"
#include "console/engine/tavro_utils.h"
#include "platform/atomic_file.h"
#include "platform/operator.h"
#include "platform/program_folder.h"

namespace {
constexpr int kMarkerColour = 0x00FFFF;  // yellow text of a channel a strip drives
const char* const kRepPlotFile = "rep_plot.subs";
}  // namespace

Submasters::Submasters(ConsoleState& state, Operator& op, Hooks hooks)
    : S(state), operator_(op), h_(std::move(hooks)), mixer_(state, [this] {
        SubmasterMixer::Hooks h;
        h.send = [this] {
          if (h_.send) h_.send();
        };
        h.showLevel = [this](int ch, int dmx) {
          if (h_.showLevelText)
            h_.showLevelText(ch, QString::number(numberFromLevel(clampDmx(dmx), S.RawChannels[size_t(ch)])));
        };
        h.showMark = [this](int ch, bool v) {
          if (h_.channelMarked) h_.channelMarked(ch, v);
        };
        h.hideMark = [this](int ch) {
          if (h_.channelMarked) h_.channelMarked(ch, false);
        };
        h.loadLoopFile = [this](int strip, const QString& path) {
          if (h_.loadLoopFile) h_.loadLoopFile(strip, path);
        };
        h.startLoop = [this](int strip, double scale) {
          if (h_.startLoop) h_.startLoop(strip, scale);
        };
        h.setLoopScale = [this](double scale) {
          if (h_.setLoopScale) h_.setLoopScale(scale);
        };
        h.loopStopped = [this] {
          if (h_.loopStopped) h_.loopStopped();
        };
        return h;
      }()) {
  for (QString& text : st_.valueTexts) text = "0";
}

QString Submasters::SubmasterFileName() const {
  return submasterFileNameFor(S.CueFileName, S.UseRepPlot, h_.programFolder ? h_.programFolder() : QString());
}

QString Submasters::repPlotFile() const {
  return QDir(h_.programFolder ? h_.programFolder() : QString()).filePath(kRepPlotFile);
}

void Submasters::stripChanged(int strip) {
  if (h_.stripChanged) h_.stripChanged(strip);
}

void Submasters::setValueBox(int strip, int v) {
  st_.valueTexts[size_t(strip)] = QString::number(v);
  if (h_.valueShown) h_.valueShown(strip, st_.valueTexts[size_t(strip)]);
}

void Submasters::showMarker(int strip, bool visible) {
  st_.markers[size_t(strip)] = visible;
  if (h_.markerShown) h_.markerShown(strip, visible);
}

void Submasters::hideAllMarkers() {
  for (int i = 0; i < kSubmasterCount; ++i) showMarker(i, false);
}

bool Submasters::midiRefused() {
  if (!h_.midiActive || !h_.midiActive()) return false;
  operator_.ask("Midi device active",
                QString("Please use your attached Midi surface instead") + "\n\r" + "of the screen.",
                DialogIcon::Error, DialogButtons::Cancel);
  return true;
}

// ---- The faders ----

void Submasters::setFader(int n, int value) {
  if (n < 0 || n >= kSubmasterCount) return;
  const int v = clampPercent(value);
  if (st_.faders[size_t(n)] == v) return;
  if (h_.faderMoved) h_.faderMoved(n, v);
  faderChanged(n, v);
}

void Submasters::faderChanged(int n, int value) {
  st_.faders[size_t(n)] = clampPercent(value);
  SubChange(n);
}

void Submasters::syncFaders() {
  for (int i = 0; i < kSubmasterCount; ++i)
    if (st_.faders[size_t(i)] != clampPercent(S.SubSliders[size_t(i)])) setFader(i, S.SubSliders[size_t(i)]);
}

void Submasters::SubChange(int strip) {
  S.SubSliders[size_t(strip)] = st_.faders[size_t(strip)];
  if (st_.SubLoopLoaded || st_.SubBusy) return;
  st_.SubBusy = true;
  S.SubMoved = true;
  st_.CurrentSub = strip;
  SlideSet(st_.faders[size_t(strip)], strip);
  st_.SubBusy = false;
  applyTypedValues();
}

void Submasters::applyTypedValues() {
  for (int i = 0; i < kSubmasterCount; ++i)
    if (std::exchange(st_.typedPending[size_t(i)], false)) Editval(i, st_.valueTexts[size_t(i)]);
}

void Submasters::SlideSet(int v, int j) {
  if (st_.SubRecording || st_.SubActivating || mixer_.strips[size_t(j)].isFree()) return;
  const bool rest = mixer_.strips[size_t(j)].additive ? v == 0 : v == 100;
  showMarker(j, !rest);
  setValueBox(j, v);
  mixer_.SlideSet(v, j);
}

void Submasters::SubDone(int strip) {
  st_.SubBusy = false;
  SubChange(strip);
  setValueBox(strip, st_.faders[size_t(strip)]);
  if (mixer_.strips[size_t(strip)].additive && st_.faders[size_t(strip)] == 0) {
    showMarker(strip, false);
    mixer_.released(strip);
  }
  S.UpdatingEdits = false;
  st_.SubBusy = false;
  if (h_.focusCueList) h_.focusCueList();
}

bool Submasters::faderPressed(int strip, bool rightButton) {
  if (midiRefused()) return true;
  st_.SubRightClick = rightButton;
  if (st_.SubRightClick) {
    picksubval(st_.CurrentSub);
    return true;
  }
  st_.CurrentSub = strip;
  Setupsub(strip);
  return false;
}

bool Submasters::wheel(int strip, bool up) {
  if (strip != st_.CurrentSub) return false;
  const int step = std::max(1, S.Wheel);
  setFader(strip, st_.faders[size_t(strip)] + (up ? step : -step));
  return true;
}

void Submasters::masterzero() {
  for (int i = 0; i < kSubmasterCount; ++i) setFader(i, 0);
  for (int ch = 1; ch <= S.MaxChannels; ++ch) S.SubFlags[size_t(ch)] = false;
}

// ---- The value boxes ----

void Submasters::Editval(int strip, const QString& text) {
  st_.valueTexts[size_t(strip)] = text;
  if (st_.SubBusy) {
    st_.typedPending[size_t(strip)] = true;
    return;
  }
  if (midiRefused()) return;
  st_.CurrentSub = strip;
  const int v = clampPercent(StrToIntSafe(text));
  setFader(strip, v);
  const bool additive = mixer_.strips[size_t(strip)].additive;
  if ((additive && v == 0) || (!additive && v == 100)) showMarker(strip, false);
}

bool Submasters::smKeyDown(int strip, int key) {
  int delta = 0;
  switch (key) {
    case Qt::Key_Up:
      delta = 1;
      break;
    case Qt::Key_Down:
      delta = -1;
      break;
    case Qt::Key_PageUp:
      delta = 10;
      break;
    case Qt::Key_PageDown:
      delta = -10;
      break;
    case Qt::Key_Home:
      delta = 100;
      break;
    case Qt::Key_End:
      delta = -100;
      break;
    default:
      return false;
  }
  const int v = clampPercent(StrToIntSafe(st_.valueTexts[size_t(strip)]) + delta);
  setValueBox(strip, v);
  setFader(strip, v);
  return true;
}

// ---- The strips ----

void Submasters::applySetup(const SubmasterFileSetup& setup) {
  mixer_.applySetup(setup, S.WarmUp);
  if (!setup.exists)
    for (int ch = 1; ch <= S.MaxChannels; ++ch) S.SubChannelLevels[size_t(ch)] = S.Fixtures.WarmUpLevels[ch];
  for (int i = 0; i < kSubmasterCount; ++i) {
    stripChanged(i);
    setFader(i, S.SubSliders[size_t(i)]);
  }
}

bool Submasters::showNeedsWindow(const SubmasterFileSetup& setup) const {
  if (!setup.exists) return false;
  if (setup.anyLoopFile) return true;
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    const AddressList& a = S.Patch.PatchTable.addresses(ch);
    if (!a.empty() && a[0] > S.MaxChannels) return true;
  }
  return false;
}

void Submasters::recordsub(int strip) {
  st_.SubRecording = true;
  st_.CurrentSub = strip;
  if (S.UpdatingEdits) setFader(strip, 100);
  st_.SubRecordSetup = false;
  if (!mixer_.strips[size_t(strip)].isFree()) {
    SaveSub(strip);
    if (h_.focusCueList) h_.focusCueList();
  } else {
    st_.SubRecordSetup = true;
    picksub(strip);
  }
  st_.SubRecording = false;
}

bool Submasters::SaveSub(int strip) {
  const QString text = mixer_.recordLevels(
      strip, [this](int ch) { return h_.levelEditText ? h_.levelEditText(ch) : QString(); });
  QString error;
  if (!saveSubmasterLevels(SubmasterFileName(), strip, text, &error)) {
    if (h_.fileError) h_.fileError(error);
    return false;
  }
  return true;
}

void Submasters::LoadSubs(const QString& path) {
  if (!QFileInfo::exists(path)) {
    CopySubs();
    return;
  }
  const SubmasterFileSetup setup = readSubmasterFileSetup(path, S.MaxChannels, S.WarmUp);
  if (!setup.error.isEmpty() && h_.fileError) h_.fileError(setup.error);
  mixer_.applySetup(setup, S.WarmUp);
  for (int i = 0; i < kSubmasterCount; ++i) {
    stripChanged(i);
    setFader(i, S.SubSliders[size_t(i)]);  // applied like any fader change
  }
}

void Submasters::CopySubs() {
  if (!S.UseRepPlot) return;
  const QString showSubs = changeFileExt(S.CueFileName, ".subs");
  if (QFileInfo::exists(showSubs)) {
    QString error;
    if (!copyFileAtomically(showSubs, repPlotFile(), &error)) {
      if (h_.fileError) h_.fileError(error);
      return;
    }
  }
  if (QFileInfo::exists(SubmasterFileName())) LoadSubs(SubmasterFileName());
}

void Submasters::Setupsub(int strip) {
  mixer_.setupsub(strip, [this](int ch, bool shown) {
    if (h_.channelMarked) h_.channelMarked(ch, shown);
    if (shown && h_.levelEditColour) h_.levelEditColour(ch, kMarkerColour);
  });
}

void Submasters::Setsub(int n) {
  if (n < 0 || n >= kSubmasterCount) return;
  const SubmasterStrip& strip = mixer_.strips[size_t(n)];
  if (strip.values.empty()) return;
  mixer_.resize();
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (!mixer_.SubMembers[size_t(ch)][size_t(n)]) continue;
    const int a = strip.value(ch);
    if (a <= S.Fixtures.WarmUpLevels[ch]) continue;
    if (h_.channelMarked) h_.channelMarked(ch, true);
    S.ChannelSelected[size_t(ch - 1)] = true;
    mixer_.SubFactors[size_t(ch)] = float(a) / 100.0f;
    if (h_.levelEditColour) h_.levelEditColour(ch, kMarkerColour);
  }
}

void Submasters::picksub(int strip) {
  hideAllMarkers();
  st_.CurrentSub = strip;
  if (h_.setupStrip && h_.setupStrip(strip, true)) {
    if (st_.SubRecordSetup) SaveSub(strip);
    LoadSubs(st_.UseRep ? repPlotFile() : SubmasterFileName());
  }
}

void Submasters::picksubval(int strip) {
  hideAllMarkers();
  st_.CurrentSub = strip;
  Setupsub(strip);
  S.UpdatingEdits = false;
  if (h_.focusValue) h_.focusValue(strip);
  showMarker(strip, true);
  if (st_.SubRightClick) {
    const int v = st_.faders[size_t(strip)];
    if (v == 100)
      setFader(strip, 0);
    else if (v == 0)
      setFader(strip, 100);
  }
}

void Submasters::titleRightClick(int strip, bool ctrl) {
  if (ctrl) {
    for (int k = 0; k < kSubmasterCount; ++k)
      if (st_.markers[size_t(k)]) {
        showMarker(k, false);
        setValueBox(k, 0);
      }
    return;
  }
  showMarker(strip, false);
  setValueBox(strip, 0);
  if (h_.focusValue) h_.focusValue(strip);
  if (h_.setupStrip) h_.setupStrip(strip, false);
}

SubmasterStripFields Submasters::stripSetup(int strip) const {
  const SubmasterStrip& s = mixer_.strips[size_t(strip)];
  SubmasterStripFields f;
  f.title = s.isFree() ? QString() : s.title;
  f.hint = s.hint;
  f.additive = s.additive;
  f.loopFile = submasterLoopFile(SubmasterFileName(), strip);
  return f;
}

bool Submasters::saveStripSetup(int strip, const SubmasterStripFields& fields) {
  const bool freed = fields.title.isEmpty() || fields.title.compare("unused", Qt::CaseInsensitive) == 0;
  const QString path = st_.UseRep ? repPlotFile() : changeFileExt(S.CueFileName, ".subs");
  QString error;
  if (!saveSubmasterStrip(path, strip, fields, freed, &error)) {
    if (h_.fileError) h_.fileError(error);
    return false;
  }
  if (freed) {
    mixer_.freeStrip(strip);
  } else {
    SubmasterStrip& s = mixer_.strips[size_t(strip)];
    s.title = fields.title;
    s.hint = fields.hint.trimmed();
    s.additive = fields.additive;
    s.loopFile = fields.loopFile.trimmed();
    S.SubAdditive[size_t(strip)] = s.additive;
  }
  if (h_.titleChanged) h_.titleChanged(strip);
  return true;
}

// ---- The rep plot and the window ----

void Submasters::userepClick(bool ticked) {
  st_.UseRep = ticked;
  for (int i = 0; i < kSubmasterCount; ++i) {
    mixer_.freeStrip(i);
    stripChanged(i);
  }
  for (int ch = 1; ch <= S.MaxChannels; ++ch) S.SubChannelLevels[size_t(ch)] = S.Fixtures.WarmUpLevels[ch];
  S.UseRepPlot = ticked;
  LoadSubs(SubmasterFileName());
  const QString folder = h_.programFolder ? h_.programFolder() : QString();
  QString patch;
  if (S.UseRepPlot)
    patch = QDir(folder).filePath("rep_plot.spch");
  else if (S.FileSource)
    patch = QDir(folder).filePath(QFileInfo(programPath()).completeBaseName() + ".spch");
  else
    patch = changeFileExt(S.CueFileName, ".spch");
  if (h_.reloadPatch) h_.reloadPatch(patch);
}

void Submasters::userepRightClick() {
  const QString text =
      QString("Do you want to save the current") + "\n\r" + "settings as the new Rep plot for submasters?";
  if (operator_.ask("Save Rep plot settings", text, DialogIcon::Warning, DialogButtons::YesNo) ==
      DialogResult::Yes)
    CopySubs();
}

void Submasters::dropRepPlot() {
  if (!st_.UseRep) return;
  st_.UseRep = false;
  if (h_.useRepShown) h_.useRepShown(false);
  userepClick(false);
}

void Submasters::shown() {
  dropRepPlot();
  S.SubMoved = false;
  st_.SubActivating = true;
  for (int i = 0; i < kSubmasterCount; ++i) setValueBox(i, st_.faders[size_t(i)]);
  st_.SubActivating = false;
}

void Submasters::leaving() { dropRepPlot(); }

void Submasters::closed() {
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (h_.channelMarked) h_.channelMarked(ch, false);
    S.ChannelSelected[size_t(ch - 1)] = false;
  }
  hideAllMarkers();
}
