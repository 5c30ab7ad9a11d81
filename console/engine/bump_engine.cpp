#include "console/engine/bump_engine.h"

#include <algorithm>

#include "console/engine/dmx_out_writer.h"
#include "console/engine/level_math.h"

BumpEngine::BumpEngine(ConsoleState& state, Clock& clock, Hooks hooks) : S(state), h_(std::move(hooks)) {
  for (int k = 0; k < kBumpKeys; ++k) {
    auto& t = keyTimers_[size_t(k)];
    t = std::make_unique<ClockTimer>(clock);
    t->setSingleShot(true);
    QObject::connect(t.get(), &ClockTimer::timeout, [this, k] { Clearbt(k); });
  }
  fadeTimer_ = std::make_unique<ClockTimer>(clock);
  fadeTimer_->setInterval(S.FadeInterval);
  QObject::connect(fadeTimer_.get(), &ClockTimer::timeout, [this] { bumptimerTimer(); });
}

BumpEngine::~BumpEngine() = default;

void BumpEngine::put(int address, uint8_t level) {
  if (address >= 1 && address <= S.MaxChannels) dmxout::writeAddress(S, dmxout::Writer::Bump, address, level);
}

uint8_t BumpEngine::out(int address) const { return S.DmxOutBuffer[size_t(address - 1)]; }

void BumpEngine::send() {
  if (h_.send) h_.send();
}

void BumpEngine::log(const QString& line) {
  if (S.LogLevel > 0 && h_.log) h_.log(line);
}

void BumpEngine::labelChanged() {
  if (h_.alternateLabelChanged) h_.alternateLabelChanged(alternateLabel());
}

QString BumpEngine::alternateLabel() const {
  QString text;
  for (int k : alternateOrder_) text += keyName(k) + " ";
  return text;
}

void BumpEngine::take(int address, int key, Kind kind, uint8_t level) {
  AddressState& a = addresses_[size_t(address)];
  if (a.holders.empty()) {
    if (a.fading) {
      a.fading = false;  // the level it was fading back to stays the one to return to
      --fadeCount_;
    } else {
      a.base = out(address);
    }
  }
  a.holders.push_back({key, kind, level});
  put(address, level);
}

bool BumpEngine::release(int address, int key, std::initializer_list<Kind> kinds, bool fade) {
  AddressState& a = addresses_[size_t(address)];
  const auto mine = [&](const Holder& h) {
    return h.key == key && std::find(kinds.begin(), kinds.end(), h.kind) != kinds.end();
  };
  const auto end = std::remove_if(a.holders.begin(), a.holders.end(), mine);
  if (end == a.holders.end()) return false;
  a.holders.erase(end, a.holders.end());
  if (!a.holders.empty())
    put(address, a.holders.back().level);
  else if (fade)
    startFade(address);
  else
    put(address, a.base);
  return true;
}

void BumpEngine::startFade(int address) {
  AddressState& a = addresses_[size_t(address)];
  const float span = S.BumpFadeSeconds * float(S.StepsPerSecond);
  if (fadeTicks_ <= 0 || span <= 0 || out(address) == a.base) {
    put(address, a.base);  // no fade time: back at once
    return;
  }
  a.fading = true;
  a.fadeTarget = a.base;
  a.fadeLevel = float(out(address));
  a.fadeStep = (float(a.base) - a.fadeLevel) / span;
  ++fadeCount_;
}

void BumpEngine::keyDown(int key, bool keyHeld) {
  if (key < 0 || key >= kBumpKeys) return;
  const int scene = S.BumpSceneTable[size_t(key)];
  if (scene > 0)
    loadbumpscene(key, scene, keyHeld);
  else
    SendBump(key, keyHeld);
}

void BumpEngine::keyUp(int key) {
  if (key < 0 || key >= kBumpKeys) return;
  ClearBump(key);
}

void BumpEngine::SendBump(int key, bool keyHeld) {
  KeyState& k = keys_[size_t(key)];
  if (k.active || keyHeld || k.timerRunning) return;
  k.active = true;
  log("Bump for " + QString::number(key));

  const bool alternateOff = k.alternateOn;
  if (alternateOff) {
    for (int i = 1; i <= S.MaxChannels; ++i) release(i, key, {Kind::Alternate}, false);
    k.alternateOn = false;
    alternateOrder_.erase(std::remove(alternateOrder_.begin(), alternateOrder_.end(), key),
                          alternateOrder_.end());
    labelChanged();
  }
  const auto& normal = S.BumpMembers[size_t(key)];
  const auto& fade = S.BumpMembers[size_t(8 + key)];
  const auto& timed = S.BumpMembers[size_t(16 + key)];
  const auto& alternate = S.BumpMembers[size_t(24 + key)];
  bool latched = false;
  for (int i = 1; i <= S.MaxChannels; ++i) {
    if (normal[size_t(i)] || fade[size_t(i)]) {
      take(i, key, normal[size_t(i)] ? Kind::Normal : Kind::Fade, 255);
    } else if (timed[size_t(i)]) {
      // Only the lowest timed address of a key is bumped; it ends the key's press.
      take(i, key, Kind::Timed, 255);
      k.timerRunning = true;
      keyTimers_[size_t(key)]->start(std::max(S.BumpTimerIntervals[size_t(key)], 0));
      break;
    } else if (alternate[size_t(i)] && !alternateOff) {
      take(i, key, Kind::Alternate, 255);
      latched = true;
    }
  }
  if (latched) {
    k.alternateOn = true;
    alternateOrder_.push_back(key);
    labelChanged();
  }
  send();
}

void BumpEngine::loadbumpscene(int key, int record, bool keyHeld) {
  KeyState& k = keys_[size_t(key)];
  if (keyHeld || k.active) return;
  QString error;
  std::optional<SceneRecord> scene = h_.readScene ? h_.readScene(record, &error) : std::nullopt;
  if (!scene) {
    if (h_.sceneError) h_.sceneError(error);
    return;  // nothing taken: the release restores nothing
  }
  k.active = true;
  log("Bump for " + QString::number(key));
  // A scene holds each channel's level as its edit showed it: percent unless the channel is raw. It
  // reaches the output like any channel level, through the channel's patched addresses.
  for (int ch = 1; ch <= S.MaxChannels; ++ch) {
    const int level =
        S.RawChannels[size_t(ch)] ? scene->level(ch) : percentToDmx(clampPercent(scene->level(ch)));
    auto apply = [&](int d) {
      if (d < 1 || d > S.MaxChannels) return;
      if (!S.BumpOvrRpl || level > out(d)) take(d, key, Kind::Scene, uint8_t(level));
    };
    if (S.OneToOnePatch) {
      apply(ch);
    } else {
      for (int16_t d : S.Patch.PatchTable.addresses(ch)) apply(d);
    }
  }
  send();
}

void BumpEngine::ClearBump(int key) {
  KeyState& k = keys_[size_t(key)];
  log("Clear for " + QString::number(key));
  k.active = false;
  const int before = fadeCount_;
  fadeTicks_ = roundEven(double(S.BumpFadeSeconds) * S.StepsPerSecond);
  for (int i = 1; i <= S.MaxChannels; ++i) {
    release(i, key, {Kind::Normal, Kind::Scene}, false);
    release(i, key, {Kind::Fade}, true);
  }
  if (fadeCount_ > before) {
    fadeTick_ = 0;
    if (!fadeTimer_->isActive()) fadeTimer_->start(S.FadeInterval);
  }
  send();
}

void BumpEngine::Clearbt(int key) {
  KeyState& k = keys_[size_t(key)];
  keyTimers_[size_t(key)]->stop();
  if (!k.timerRunning) return;
  k.timerRunning = false;
  k.active = false;
  for (int i = 1; i <= S.MaxChannels; ++i) release(i, key, {Kind::Timed}, false);
  send();
}

void BumpEngine::bumptimerTimer() {
  for (int i = 1; i <= S.MaxChannels && fadeCount_ > 0; ++i) {
    AddressState& a = addresses_[size_t(i)];
    if (!a.fading) continue;
    float v = a.fadeLevel + a.fadeStep;
    const float target = float(a.fadeTarget);
    if ((a.fadeStep <= 0 && v <= target) || (a.fadeStep > 0 && v >= target)) {
      v = target;
      a.fading = false;
      --fadeCount_;
    }
    a.fadeLevel = v;
    put(i, uint8_t(clampDmx(roundEven(v))));
  }
  send();
  ++fadeTick_;
  if (fadeTick_ > fadeTicks_ && fadeCount_ == 0) fadeTimer_->stop();
}

void BumpEngine::reset() {
  stopTimers();
  for (KeyState& k : keys_) k = KeyState{};
  for (AddressState& a : addresses_) a = AddressState{};
  alternateOrder_.clear();
  fadeCount_ = 0;
  fadeTick_ = 0;
  labelChanged();
}

void BumpEngine::stopTimers() {
  for (auto& t : keyTimers_) t->stop();
  fadeTimer_->stop();
}
