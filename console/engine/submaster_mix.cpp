#include "console/engine/submaster_mix.h"

#include <algorithm>

#include "console/engine/dmx_out_writer.h"
#include "console/engine/level_math.h"
#include "console/engine/tavro_utils.h"

SubmasterMixer::SubmasterMixer(ConsoleState& state, Hooks hooks) : S(state), h_(std::move(hooks)) {
  resize();
}

void SubmasterMixer::resize() {
  const size_t n = size_t(std::max(S.MaxChannels, 0)) + 1;
  SubMembers.resize(n);
  InhibitMembers.resize(n);
  SubFactors.resize(n);
}

void SubmasterMixer::setLevels(int strip, const QString& levels, int warmUpLevel) {
  resize();
  SubmasterStrip& s = strips[size_t(strip)];
  s.levels = levels;
  s.values.clear();
  if (!levels.isEmpty()) {
    const QStringList parts = levels.split(',');
    s.values.reserve(size_t(parts.size()));
    for (const QString& p : parts) s.values.push_back(StrToIntSafe(p.trimmed()));
  }
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    const bool above = s.value(ch) > warmUpLevel;
    SubMembers[size_t(ch)][size_t(strip)] = s.additive && above;
    InhibitMembers[size_t(ch)][size_t(strip)] = !s.additive && above && !s.isLoopStrip();
  }
}

void SubmasterMixer::freeStrip(int strip) {
  SubmasterStrip& s = strips[size_t(strip)];
  s = SubmasterStrip{};
  S.SubAdditive[size_t(strip)] = true;
  setLevels(strip, QString(), 0);
}

void SubmasterMixer::applySetup(const SubmasterFileSetup& setup, int warmUpLevel) {
  resize();
  S.SubInhibit.fill(0);
  for (int k = 0; k < kSubmasterCount; ++k) {
    const SubmasterStripSetup& in = setup.strips[size_t(k)];
    SubmasterStrip& s = strips[size_t(k)];
    s = SubmasterStrip{};
    if (setup.exists) {
      s.title = in.title;
      s.hint = in.hint;
      s.additive = in.additive;
      s.loopFile = in.loopFile;
    }
    S.SubAdditive[size_t(k)] = s.additive;
    S.SubSliders[size_t(k)] = s.additive ? 0 : 100;
    setLevels(k, setup.exists ? in.levels : QString(), warmUpLevel);
  }
}

void SubmasterMixer::takeReference() {
  const int row = S.Rows.RunningCue;
  if (row <= 0 || row >= int(S.Cues.CueTexts[CueTextColumn::Levels].size())) return;
  ReferenceLevels = S.Cues.CueTexts[CueTextColumn::Levels][size_t(row)];
  if (ReferenceLevels.size() < kMaxChannelLimit) ReferenceLevels.resize(kMaxChannelLimit, '\0');
}

void SubmasterMixer::SlideSet(int v, int j) {
  if (j < 0 || j >= kSubmasterCount) return;
  SubmasterStrip& strip = strips[size_t(j)];
  if (strip.isFree()) return;
  resize();
  v = clampPercent(v);

  if (strip.lastValue == 0) {
    takeReference();
    // A loop strip loads its file when it leaves rest, not while its fader stays at 0.
    if (strip.isLoopStrip() && v > 0 && h_.loadLoopFile) h_.loadLoopFile(j, strip.loopFile);
  }

  if (strip.isLoopStrip()) {
    if (v == 0 && S.SubLoopActive) {
      for (int ch = 1; ch <= S.MaxChannels; ++ch) {
        if (!S.SubFlags[size_t(ch)]) continue;
        dmxout::writeAddress(S, dmxout::Writer::Submaster, ch, uint8_t(S.Fixtures.WarmUpLevels[ch] & 0xFF));
        S.CurrentLevels[size_t(ch)] = 0;
        S.LevelSteps[size_t(ch)] = 0;
        S.SubFlags[size_t(ch)] = false;
      }
      if (h_.send) h_.send();
      S.UpdatingEdits = false;
      strip.lastValue = 0;
      S.Unrecorded = false;
      S.SubLoopActive = false;
      if (h_.loopStopped) h_.loopStopped();
    } else if (v > 0 && !S.SubLoopActive) {
      S.SubLoopActive = true;
      S.CueChanging = false;
      if (h_.startLoop) h_.startLoop(j, v / 100.0);
      strip.lastValue = v;
      S.Unrecorded = false;
    } else {
      if (h_.setLoopScale) h_.setLoopScale(v / 100.0);
      strip.lastValue = v;
      S.Unrecorded = false;
    }
    return;
  }

  if (!strip.additive) {
    applyInhibit(j, v);
    strip.lastValue = v;
    S.Unrecorded = false;
    return;
  }

  bool wrote = false;
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (h_.hideMark) h_.hideMark(ch);
    if (!SubMembers[size_t(ch)][size_t(j)]) continue;
    const int mine = roundEven(v * (strip.value(ch) / 100.0));
    int others = 0;
    for (int k = 0; k < kSubmasterCount; ++k) {
      if (k == j || !SubMembers[size_t(ch)][size_t(k)] || strips[size_t(k)].isFree()) continue;
      others = std::max(others, roundEven(S.SubSliders[size_t(k)] * (strips[size_t(k)].value(ch) / 100.0)));
    }
    if (others > mine) continue;
    const int reference = uint8_t(ReferenceLevels[ch - 1]);
    if (mine >= reference) {
      S.SubChannelLevels[size_t(ch)] = clampDmx(mine);
      ChangeValue(clampDmx(mine), ch, false);
      wrote = true;
    }
    if (h_.showMark) h_.showMark(ch, v > 0);
    S.ChannelSelected[size_t(ch - 1)] = true;
    S.Unrecorded = false;
  }
  if (wrote && h_.send) h_.send();
  S.UpdatingEdits = false;
  S.Unrecorded = false;
  strip.lastValue = v;
}

void SubmasterMixer::applyInhibit(int j, int v) {
  bool wrote = false;
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (!InhibitMembers[size_t(ch)][size_t(j)]) continue;
    int reduction = 100 - v;
    for (int k = 0; k < kSubmasterCount; ++k) {
      if (k == j || !InhibitMembers[size_t(ch)][size_t(k)] || strips[size_t(k)].isFree()) continue;
      reduction = std::max(reduction, 100 - clampPercent(S.SubSliders[size_t(k)]));
    }
    S.SubInhibit[size_t(ch)] = std::clamp(reduction, 0, 100);
    // The channel's level stays what it is; only what reaches its addresses is held down.
    const int level = clampDmx(roundEven(S.CurrentLevels[size_t(ch)]));
    // What the fade would put there: the channel's level through its share, the submaster floor and
    // the inhibitive submasters.
    auto ownByte = [&](int d, int lvl) {
      return dmxout::wireByte(S, dmxout::rulesOf(dmxout::Writer::FadeStep), ch, d, lvl);
    };
    auto write = [&](int d) {
      if (d < 1 || d > S.MaxChannels) return;
      dmxout::writeAddress(S, dmxout::Writer::Submaster, d, ownByte(d, level));
      wrote = true;
    };
    if (S.OneToOnePatch) {
      write(ch);
    } else {
      for (int16_t d : S.Patch.table(S.UseRepPlot).addresses(ch)) write(d);
    }
    if (h_.showMark) h_.showMark(ch, v < 100);
  }
  if (wrote && h_.send) h_.send();
}

void SubmasterMixer::ChangeValue(int k, int ch, bool send) {
  const int startLevel = k;
  // A channel moving in a cue fade keeps its own level; the submaster only lifts what reaches its
  // addresses (the fade tick does the same), so the fade goes on where it was.
  const bool fading = !S.FadeIdle && S.LevelSteps[size_t(ch)] != 0;
  const int own = clampDmx(roundEven(S.CurrentLevels[size_t(ch)]));
  auto ownByte = [&](int d, int lvl) {
    return dmxout::wireByte(S, dmxout::rulesOf(dmxout::Writer::FadeStep), ch, d, lvl);
  };
  for (int16_t d : S.Patch.table(S.UseRepPlot).addresses(ch)) {
    if (d < 1 || d > S.MaxChannels) continue;  // submaster pseudo-addresses are not written
    if (fading) {
      dmxout::writeAddress(S, dmxout::Writer::Submaster, d, ownByte(d, own));
      continue;
    }
    k = proportionalLevel(k, S.Patch.PatchPercent[d]);
    k = clampDmx(std::max(S.SubChannelLevels[size_t(d)], k));
    int byte = S.LedChannels[size_t(d)] ? std::max(S.LedCurve[size_t(k)], S.SubChannelLevels[size_t(d)]) : k;
    if (S.SubInhibit[size_t(ch)] > 0) byte = roundEven(byte * ((100 - S.SubInhibit[size_t(ch)]) / 100.0));
    byte = clampDmx(byte);
    dmxout::writeAddress(S, dmxout::Writer::Submaster, d, uint8_t(byte));
    S.CurrentLevels[size_t(d)] = float(byte);
  }
  if (send && h_.send) h_.send();
  if (h_.showLevel) h_.showLevel(ch, fading ? std::max(own, startLevel) : k);
}

void SubmasterMixer::released(int j) {
  if (j < 0 || j >= kSubmasterCount) return;
  if (!strips[size_t(j)].additive || S.SubSliders[size_t(j)] != 0) return;
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (h_.hideMark) h_.hideMark(ch);
    S.ChannelSelected[size_t(ch - 1)] = false;
    // A running cue fade keeps its steps; letting go of a fader does not freeze it.
    if (S.FadeIdle) S.LevelSteps[size_t(ch)] = 0;
    S.SubChannelLevels[size_t(ch)] = S.Fixtures.WarmUpLevels[ch];
  }
}

QString SubmasterMixer::recordLevels(int j, const std::function<QString(int ch)>& editText) {
  resize();
  QString text;
  SubmasterStrip& strip = strips[size_t(j)];
  strip.values.assign(size_t(std::max(S.MaxChannels, 0)), 0);
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    SubMembers[size_t(ch)][size_t(j)] = false;
    InhibitMembers[size_t(ch)][size_t(j)] = false;
    int value = 0;
    if (S.ChannelSelected[size_t(ch - 1)]) {
      value = levelFromNumber(StrToIntSafe(editText(ch)), S.RawChannels[size_t(ch)]);
      SubMembers[size_t(ch)][size_t(j)] = strip.additive;
      InhibitMembers[size_t(ch)][size_t(j)] = !strip.additive;
    }
    strip.values[size_t(ch - 1)] = value;
    text += QString::number(value) + ",";
  }
  strip.levels = text;
  S.Unrecorded = false;
  return text;
}

void SubmasterMixer::setupsub(int j, const std::function<void(int ch, bool shown)>& mark) {
  if (j < 0 || j >= kSubmasterCount) return;
  const SubmasterStrip& strip = strips[size_t(j)];
  if (strip.isFree() || strip.values.empty()) return;
  resize();
  takeReference();
  S.UpdatingEdits = true;  // left set for the caller
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (!SubMembers[size_t(ch)][size_t(j)] && !InhibitMembers[size_t(ch)][size_t(j)]) continue;
    const float x = float(strip.value(ch)) * float(S.SubSliders[size_t(j)]) / 100.0f;
    const bool shown = x > float(S.Fixtures.WarmUpLevels[ch]);
    if (shown) SubFactors[size_t(ch)] = x / 100.0f;
    if (mark) mark(ch, shown);
  }
}
