#pragma once

// Sound-to-light levels: four bands, each a list of channels and a lowest level. A level received
// for a band goes straight to the DMX addresses its channels are patched to, as a DMX value: the
// patch percentages and the LED curve of the normal level path are not applied.

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class OscDialogGate;
class OscHost;

inline constexpr int kS2LBandCount = 4;
// The band file "S2Lsave.ini": sections "1" to "4", keys DMX (the channel list) and Min.
inline const QString kS2LBandFileName = QStringLiteral("S2Lsave.ini");

class SoundToLight {
 public:
  SoundToLight();

  // S2LBands: per band (1..4) a DimmerList-style text of channel numbers ("|3|5|7|"), "||" for
  // none. Setting it parses the channel list once.
  const QString& S2LBands(int band) const { return bands_.at(band); }
  void setBand(int band, const QString& channels);
  // S2LMinimum: per band the lowest DMX level it sends.
  int16_t S2LMinimum(int band) const { return minimums_.at(band); }
  void setMinimum(int band, int minimum);

  // Reads the band file at start-up: every band's channel list (default "||") and minimum (0).
  void readBandFile(const QString& path);
  // Reads only the minimums from the band file (default 0), leaving the channel lists as they are.
  void readMinimums(const QString& path);

  // Sets one band (1..4; other numbers are ignored) to a level: the level is rounded (ties to
  // even), limited to 0..255 and raised to the band's minimum, then written to every address (up
  // to the channel count) of every channel of the band, and the frame is sent. An empty band sends
  // nothing; a level that is not finite is dropped. A channel outside 1..channel count raises the
  // "S2L channel error" dialog and the band's other channels are still set.
  void SetOSCLevel(OscHost& host, OscDialogGate& dialogs, int band, double level);

 private:
  struct Entry {
    QString text;    // as listed, for the error message
    qint64 channel;  // its number; out of range when too long for 64 bits
  };
  std::array<QString, kS2LBandCount + 1> bands_;       // entry 0 unused
  std::array<int16_t, kS2LBandCount + 1> minimums_{};  // entry 0 unused
  std::array<std::vector<Entry>, kS2LBandCount + 1> channels_;
};
