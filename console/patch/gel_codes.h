#pragma once

// The colour a typed gel or designer code stands for, as the main window applies it to the selected
// fixtures. Codes beginning with "R" are gels of the program's lime gel table ("VqLighting.rgbal",
// section [Values], key = code). Any other code is a designer's colour: first the designer's gel file
// (program folder + designer name + ".gels", section = code, key = fixture type id), tuned per fixture
// type, then the designer's palette in "Users.pal" (section = designer name, key = code). All three
// are INI files in UTF-8; the value is a ColourString (see gel_lookup.h).

#include <QString>

struct GelCodeFiles {
  QString gelTable;      // the lime gel table
  QString userGelFile;   // the designer's gel file
  QString userPalettes;  // "Users.pal"
  QString userName;      // the designer, section of the palettes file

  // The files as they stand in the program's folder (found without regard to case).
  static GelCodeFiles inFolder(const QString& programFolder, const QString& userName);
};

// The colour value of `code` (upper case) for a fixture of type `fixtureType`; empty when none of
// the files holds it.
QString gelCodeValue(const GelCodeFiles& files, const QString& code, int fixtureType);
