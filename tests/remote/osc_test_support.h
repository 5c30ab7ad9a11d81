#pragma once

// Test doubles for the OSC side: a main window that records every call, with a real soft patch
// table behind it, and builders for OSC datagrams.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "console/patch/patch_tables.h"
#include "console/remote/osc_codec.h"
#include "console/remote/osc_host.h"
#include "console/remote/sound_to_light.h"

class FakeOscHost : public OscHost {
 public:
  FakeOscHost() {
    for (int ch = 1; ch <= patch::kMaxChannels; ++ch)
      patch.set(ch, "|" + QString::number(ch) + "|", maxChannels);
    output.fill(-1);
  }

  // Cue numbers x 100 by row; row 1 first.
  std::vector<int> cueNumbers{100, 200, 300, 350, 500, 1250};
  int maxChannels = 24;
  DimmerTable patch;                   // one-to-one unless a test patches otherwise
  std::array<int, 1100> output{};      // levels written per address, -1 = untouched
  std::map<int, float> currentLevels;  // CurrentLevels written per address
  int sendDmxCount = 0;
  bool eosenabled = false;
  int logLevel = 1;
  QStringList calls;  // engine calls in order, e.g. "selectRow 3"
  QStringList logLines;
  SoundToLight* bands = nullptr;               // Readosc sets these minimums here
  std::array<int, 5> readoscMinimums{};        // what Readosc finds in the band file (entry 0 unused)
  QString throwOn;                             // a call name that throws (an engine failure)
  std::function<void(const QString&)> onCall;  // runs inside a recorded call, before it returns

  void setPatch(int channel, const QString& dimmerList) { patch.set(channel, dimmerList, maxChannels); }

  int CueCount() const override { return int(cueNumbers.size()); }
  int cueNumber(int row) const override { return cueNumbers.at(row - 1); }
  void selectRow(int row) override { call("selectRow " + QString::number(row)); }
  void CueListClicked(int play) override { call("CueListClicked " + QString::number(play)); }
  void btnPlayClick() override { call("btnPlayClick"); }
  void btnBlackClick() override { call("btnBlackClick"); }
  void keyend() override { call("keyend"); }
  int MaxChannels() const override { return maxChannels; }
  std::span<const int16_t> patchAddresses(int channel) const override {
    return patch.addresses(channel).span();
  }
  void setOutputLevel(int address, uint8_t level) override {
    output.at(address) = level;
    currentLevels[address] = level;
  }
  void sendDMX() override { ++sendDmxCount; }
  void setEosenabled(bool enabled) override {
    eosenabled = enabled;
    call(QString("setEosenabled ") + (enabled ? "1" : "0"));
  }
  void Readosc() override {
    if (bands)
      for (int b = 1; b <= 4; ++b) bands->setMinimum(b, readoscMinimums[b]);
    call("Readosc");
  }
  int LogLevel() const override { return logLevel; }
  void writeLog(const QString& line) override { logLines << line; }

 private:
  void call(const QString& what) {
    calls << what;
    if (onCall) onCall(what);
    if (!throwOn.isEmpty() && what.startsWith(throwOn)) throw std::runtime_error("engine failure");
  }
};

// ---- Datagrams ----------------------------------------------------------------------------------

inline OscBytes oscMessage(const std::string& address, const std::function<void(TOSCMessage&)>& fill = {}) {
  TOSCMessage message(address);
  if (fill) fill(message);
  return message.ToOSCBytes();
}

inline OscBytes oscString(const std::string& address, const std::string& text) {
  return oscMessage(address, [&](TOSCMessage& m) { m.AddString(text); });
}

inline OscBytes oscFloat(const std::string& address, float value) {
  return oscMessage(address, [&](TOSCMessage& m) { m.AddFloat(value); });
}

inline OscBytes oscInt(const std::string& address, int32_t value) {
  return oscMessage(address, [&](TOSCMessage& m) { m.AddInteger(value); });
}

inline OscBytes oscBundle(const std::vector<OscBytes>& messages) {
  // Elements are given encoded, so a test can bundle anything.
  OscBytes out = PackOscString("#bundle");
  for (int i = 0; i < 7; ++i) out.push_back(0);
  out.push_back(1);
  for (const OscBytes& m : messages) {
    const uint32_t n = uint32_t(m.size());
    out.insert(out.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    out.insert(out.end(), m.begin(), m.end());
  }
  return out;
}

inline std::span<const uint8_t> bytesOf(const OscBytes& b) { return {b.data(), b.size()}; }
