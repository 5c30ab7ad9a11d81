#pragma once

// The console's colours are BGR integers (0x00BBGGRR), as its files store them; they become QColors
// only where a widget is painted.

#include <QColor>

inline QColor bgr(int c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
inline int rgbToBgr(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

// Number cells of the cue list.
inline constexpr int kFadingColour = 0xC25608;    // the cue fading
inline constexpr int kPlayedColour = 0x0C50DA;    // the cue that last finished
inline constexpr int kLoopStepColour = 0x729DF8;  // a loop file's loop-back step
inline constexpr int kRangeColour = 0xC0C0C0;     // a marked range

// Text of a cue recorded with scroller changes.
inline constexpr int kScrollerCueColour = 0xFF0000;

// Text of the level edits.
inline constexpr int kSameColour = 0xFF00FF;     // as in the previously selected cue
inline constexpr int kRisingColour = 0xFFFF00;   // rising
inline constexpr int kFallingColour = 0x00FFFF;  // falling
inline constexpr int kChangedColour = 0x00FF00;  // changed live
