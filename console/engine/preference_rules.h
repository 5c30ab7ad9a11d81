#pragma once

// The rules behind the preferences and sound-to-light windows that need no window.

#include <QString>
#include <array>

// The channel count box: values above what the interface carries become its limit ("512" for
// interface types 0, 1 and 7, "1024" for the others); other text stays as typed.
QString capChannelCountText(const QString& text, int interfaceType);
// How many digits the channel count box takes for the interface type.
int channelCountDigits(int interfaceType);

// The display refresh choices: their captions and timer intervals (0: no progress display).
struct DisplayRefresh {
  const char* caption;
  int interval;
};
inline constexpr std::array<DisplayRefresh, 6> kDisplayRefresh{{{"0 (No Progress)", 0},
                                                                {"1 refresh/sec.", 1000},
                                                                {"2 refresh/sec.", 500},
                                                                {"3 refresh/sec.", 333},
                                                                {"4 refresh/sec.", 250},
                                                                {"5 refresh/sec.", 200}}};

// A sound-to-light band's channel list as typed ("3 5 7") and as stored ("|3|5|7|", "||" empty).
QString bandListFromCell(const QString& cell);
QString cellFromBandList(const QString& list);

// A band's minimum as typed: empty is 0, the number is limited to 0..255; false for other text.
bool bandMinimumFromCell(const QString& cell, int& minimum);
