#pragma once

// Gel tables and designer palettes: the one module every reader and writer of the colour files
// goes through (the fixtures window, the colour picker, the main window's gel codes).
//
// A colour value (ColourString) is eight fields joined by "|": red, green, blue, amber and white
// (lime in the lime table) levels, then the display colour's red, green and blue. Codes beginning
// with "R" are read from the program's gel table ([Values], key = code); other codes from the
// designer's gel file (section = code, key = fixture type id), falling back to the designer's
// palette in "Users.pal" (section = designer name, key = code).

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

struct ColourString {
  std::array<QString, 8> fields;

  // Splits at "|"; missing fields are empty, fields after the eighth ignored. A palette entry of
  // exactly three fields (the display colour only) reads as "r|g|b|0|0|r|g|b".
  static ColourString parse(const QString& text);
  // A field as a number: 0 when empty or not a number.
  int number(int field) const;
  // The eight fields joined by "|".
  QString text() const;
  // The display colour (fields 5, 6, 7, low eight bits each) as 0xRRGGBB.
  unsigned displayRgb() const;
  // The five levels, each followed by "|" (the picker's memory of the gel last loaded).
  QString levelsText() const;
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

// The files, all in the program folder and found there without regard to case.
namespace gelfiles {
inline const QString kWhiteTable = QStringLiteral("VqLighting.rgbaw");
inline const QString kLimeTable = QStringLiteral("VqLighting.rgbal");
inline const QString kPaletteColourTable = QStringLiteral("Vqlighting5.gels");
inline const QString kUserPalettes = QStringLiteral("Users.pal");
inline const QString kNewUser = QStringLiteral("newuser.gels");
QString path(const QString& folder, const QString& name);
}  // namespace gelfiles

// The colour value of a gel code for a designer and fixture type, as the main window applies it:
// "R" codes from the lime or white gel table, others from the designer's gel file and, when that
// holds nothing, from the designer's palette. Empty when no file holds the code.
QString gelCodeValue(const QString& folder, const QString& code, const QString& userName,
                     const QString& typeId, bool lime);

// The slices of a pie: key and display colour (0xRRGGBB) of each, in file order.
struct PieList {
  QStringList keys;
  std::vector<unsigned> colours;
  // The first key whose slice has this colour; empty when none has.
  QString keyOf(unsigned rgb) const;
};
// Every entry of a gel table's [Values] section.
PieList gelPieList(const QString& gelTable);
// Every entry of the designer's section of "Users.pal"; nothing when the section is missing or
// empty (the caller shows "Unknown User").
std::optional<PieList> designerPieList(const QString& folder, const QString& userName);

// The colour of a designer code for a fixture type: the designer's gel file at section = code,
// key = type id; when it holds nothing, the palette entry, which is then copied into the gel file
// for that type (when the type id is not empty). "0|0|0|0|0|0|0|0" when neither holds it.
QString designerColour(const QString& folder, const QString& userName, const QString& code,
                       const QString& typeId);

// A message the caller shows: an error with a Cancel button, else information with OK.
struct GelMessage {
  QString title, text;
  bool error = false;
};

// "Complete the Save": the colour being saved and the options checked.
struct ColourSave {
  bool threeColour = false;
  QString lastGelLevels;  // updated by the save when "3 Color" finds it empty
  int swatchRed = 0, swatchGreen = 0, swatchBlue = 0;
  QString red, green, blue, amber, white;  // the fixtures window's field texts
  bool addToPalette = false;               // option 1
  bool changeOnPalette = false;            // option 2
  bool changeForFixture = false;           // option 3
  bool changeForAll = false;               // option 4
  QString gelCode;                         // the fixtures window's gel code
  QString typeId;                          // the selected fixture type
  QStringList allTypeIds;                  // every pick-list type, in order
};
// The value the save writes.
QString colourToSave(ColourSave& save);
struct ColourSaveResult {
  bool saved = false;
  std::optional<GelMessage> message;  // a duplicate, or a save that could not be made
  QString newKey;                     // option 1's key
};
// Carries out the checked options. A duplicate display colour in the palette, or a palette whose
// entries carry no number after the letter, stops every option before anything is written.
ColourSaveResult completeSave(const QString& folder, const QString& userName, const QString& userLetter,
                              ColourSave& save);

// Deletes a designer colour: its section of the gel file and its key in the palette. False when a
// file could not be written. An empty key changes nothing.
bool deleteDesignerColour(const QString& folder, const QString& userName, const QString& key);

// The designers of "Users.pal" ([Users]: name = letter), in file order.
struct DesignerList {
  QStringList names, letters;
  // The position of the last entry of this name (any case), -1 when none.
  int indexOf(const QString& name) const;
};
DesignerList loadUsers(const QString& folder);
// Adds a designer with the starter palette; a message when refused or when a file fails.
std::optional<GelMessage> saveUser(const QString& folder, const QString& name, const QString& letter);
