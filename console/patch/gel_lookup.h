#pragma once

// Colours by gel code. A colour value (ColourString) is eight fields joined by "|": red, green,
// blue, amber and white (lime in the lime table) levels, then the display colour's red, green and
// blue. Codes beginning with "R" are read from the program's gel table ([Values], key = code);
// other codes from the designer's gel file (section = code, key = fixture type id).

#include <QString>
#include <array>

struct ColourString {
  std::array<QString, 8> fields;

  // Splits at "|"; missing fields are empty, fields after the eighth ignored.
  static ColourString parse(const QString& text);
  // A field as a number: 0 when empty or not a number.
  int number(int field) const;
};

inline const QString kMissingColour = QStringLiteral("0|0|0|0|0|0|0|0");

// The gel table next to the program: its name with ".rgbal" for lime fixtures, else ".rgbaw".
QString gelTablePath(const QString& programPath, bool lime);
// The designer's gel file: the designer's name with ".gels" in the program's folder.
QString userGelFilePath(const QString& programFolder, const QString& userName);

// Whether a typed character is kept in the gel code field: "rR0123456789" or the designer's letter
// in either case.
bool acceptGelKey(QChar key, const QString& userLetter);

// The colour of a gel code (trimmed, at least two characters; shorter codes give no lookup and an
// empty optional-like result). A code not found gives "0|0|0|0|0|0|0|0".
struct GelLookup {
  bool looked = false;  // a lookup was made
  ColourString colour;
};
GelLookup lookupGel(const QString& code, const QString& gelTable, const QString& userGelFile,
                    const QString& typeId);

// The texts the level fields get from a gel: with three colours the display colour into red, green,
// blue and "0" into amber, white and intensity; otherwise the five levels (amber and white only
// where their fields are enabled; those not enabled keep their text, given here as empty optional
// markers) and "0" into intensity.
struct GelFields {
  QString red, green, blue;
  bool setAmber = false, setWhite = false;
  QString amber, white;
  QString value = "0";
};
GelFields gelFields(const ColourString& colour, bool threeColour, bool amberEnabled, bool whiteEnabled);
