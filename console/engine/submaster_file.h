#pragma once

// Writing the submaster file (`SubmasterFile`): UTF-8 INI, [Submasters] subtitle<i>, subcue<i>,
// additive<i> (1/0), Subfile<i>; [SubmasterLevels] Sublevels<i>. Every write rewrites the whole file
// safely; the keys not written keep their text and place.

#include <QString>

struct SubmasterStripFields {
  QString title = "Unused";
  QString hint;
  bool additive = true;
  QString loopFile;
};

// [SubmasterLevels] Sublevels<strip> := levels.
bool saveSubmasterLevels(const QString& path, int strip, const QString& levels, QString* error = nullptr);
// The setup dialog's Save: the four [Submasters] keys of the strip; a freed strip ("Unused") also
// gets empty stored levels.
bool saveSubmasterStrip(const QString& path, int strip, const SubmasterStripFields& fields, bool freed,
                        QString* error = nullptr);
// The strip's loop cue file ([Submasters] Subfile<strip>), empty when none or no file.
QString submasterLoopFile(const QString& path, int strip);
