#include "console/engine/fade_engine.h"

#include <algorithm>
#include <cmath>

#include "console/engine/dmx_out_writer.h"
#include "console/engine/level_math.h"

namespace fade {

void armFade(ConsoleState& S, int uptime, int downtime) {
  int n = std::max(uptime, downtime);
  if (!S.GoWithShift) n = std::max(n, S.FadeTotalTicks - S.FadeTick);
  S.FadeTick = 0;
  S.ShownSeconds = 0;
  S.FadeTotalTicks = n == 0 ? 1 : n;
  S.FadeIdle = false;
}

void setCueTicks(ConsoleState& S, const CueTiming& cue) {
  S.UpTicks = cue.fadeUpTicks == 0 ? 1 : cue.fadeUpTicks;
  S.DownTicks = cue.fadeDownTicks == 0 ? 1 : cue.fadeDownTicks;
  if (cue.timingMode == 0) S.DownTicks = S.UpTicks;
  if (S.GoWithCtrl) S.UpTicks = S.DownTicks = 1;
}

void computeTargets(ConsoleState& S, const CueTiming& cue) {
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (!S.ChannelLocked[ch - 1]) S.ChannelSelected[ch - 1] = false;
    if (S.SubLoopActive && S.SubFlags[ch]) continue;
    const int cueByte = ch - 1 < S.CueLevels.size() ? uint8_t(S.CueLevels[ch - 1]) : 0;
    int target = std::max(cueByte, S.SubChannelLevels[ch]);
    if (S.RawChannels[ch]) target = std::max<int>(target, S.Fixtures.WarmUpLevels[ch]);
    S.TargetLevels[ch] = target;
    if (roundEven(S.CurrentLevels[ch]) == target || S.Patch.ChannelFixture[ch] > 0) {
      S.LevelSteps[ch] = 0;
      continue;
    }
    const float diff = float(target) - S.CurrentLevels[ch];
    S.LevelSteps[ch] = target > S.CurrentLevels[ch] ? diff / float(S.UpTicks) : diff / float(S.DownTicks);
    S.UpDelayTicks[ch] = S.GoWithCtrl ? 0 : cue.upDelayTicks;
    S.DownDelayTicks[ch] = S.GoWithCtrl ? 0 : cue.downDelayTicks;
  }
}

FadeLength startCue(ConsoleState& S, const CueTiming& cue, bool followSpotAlert) {
  setCueTicks(S, cue);
  computeTargets(S, cue);
  if (S.GoWithCtrl || followSpotAlert) return {2, 2};
  return {S.UpTicks + cue.upDelayTicks, S.DownTicks + cue.downDelayTicks};
}

void setValues(ConsoleState& S) {
  S.UpdatingEdits = true;
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    float& step = S.LevelSteps[ch];
    if (step == 0 || S.Patch.ChannelFixture[ch] > 0 || S.ChannelLocked[ch - 1]) continue;
    if (S.Patch.PatchTable[ch] == QLatin1String("||")) continue;
    if (step > 0) {
      const int left = --S.UpDelayTicks[ch];
      if (left >= 0) S.UpDelayText = QString::number(roundEven(double(left) / S.StepsPerSecond));
    } else {
      const int left = --S.DownDelayTicks[ch];
      if (left >= 0) S.DownDelayText = QString::number(roundEven(double(left) / S.StepsPerSecond));
    }
    if (S.UpDelayTicks[ch] >= 0 && S.DownDelayTicks[ch] >= 0) continue;
    float v = S.CurrentLevels[ch] + step;
    const float target = float(S.TargetLevels[ch]);
    if ((step < 0 && v <= target) || (step > 0 && v >= target)) {
      v = target;
      step = 0;
    }
    S.CurrentLevels[ch] = v;
    dmxout::writeChannel(S, dmxout::Writer::FadeStep, ch, clampDmx(roundEven(v)));
  }
  S.UpdatingEdits = false;
}

Tick tick(ConsoleState& S, const std::function<void()>& sendStep) {
  if (S.MasterFadeActive) {
    --S.MasterFadeDelay;
    return Tick::MasterWait;
  }
  setValues(S);
  if (S.FadeTotalTicks < 0) return Tick::Stepped;
  if (S.FadeTick <= S.FadeTotalTicks) {
    ++S.FadeTick;
    return Tick::Stepped;
  }
  // Closing step: whatever is still moving takes one more step, then the fade is over.
  if (sendStep) sendStep();
  setValues(S);
  S.GoWithCtrl = false;
  S.GoWithShift = false;
  S.FadeIdle = true;
  return Tick::Ended;
}

bool masterFadeStep(ConsoleState& S) {
  S.MasterFadeFactor += S.MasterFadeStep;
  const bool done = S.MasterFadeFactor <= 0;
  if (done) {
    S.MasterFadeFactor = 0;
    S.SubSliders.fill(0);
  }
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    if (S.Patch.PatchTable[ch] == QLatin1String("||")) continue;
    dmxout::writeChannel(S, dmxout::Writer::MasterFade, ch,
                         roundEven(S.CurrentLevels[ch] * S.MasterFadeFactor), [&](const dmxout::Written& w) {
                           if (done) S.CurrentLevels[w.address] = float(w.level);
                         });
  }
  return done;
}

int remainingSeconds(const ConsoleState& S) {
  return std::max(0, roundEven(double(S.FadeTotalTicks - S.FadeTick) / S.StepsPerSecond));
}

void finishNow(ConsoleState& S) {
  if (S.FadeTick > S.FadeTotalTicks) return;  // already landing on the next tick
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    float& step = S.LevelSteps[ch];
    if (step == 0) continue;
    S.UpDelayTicks[ch] = -1;
    S.DownDelayTicks[ch] = -1;
    step += step > 0 ? 255 : -255;
  }
  S.FadeTick = S.FadeTotalTicks + 1;
}

}  // namespace fade
