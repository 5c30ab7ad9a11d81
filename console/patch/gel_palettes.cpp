#include "console/patch/gel_palettes.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "console/patch/patch_context.h"
#include "console/patch/patch_tables.h"
#include "platform/ini_file.h"
#include "platform/program_folder.h"

ColourString ColourString::parse(const QString& text) {
  ColourString c;
  const QStringList parts = text.split(u'|');
  if (parts.size() == 3) {
    for (int i = 0; i < 3; ++i) c.fields[i] = c.fields[i + 5] = parts[i];
    c.fields[3] = c.fields[4] = "0";
    return c;
  }
  for (int i = 0; i < 8 && i < parts.size(); ++i) c.fields[i] = parts[i];
  return c;
}

QString ColourString::text() const { return QStringList(fields.begin(), fields.end()).join(u'|'); }

unsigned ColourString::displayRgb() const {
  return unsigned(number(5) & 255) << 16 | unsigned(number(6) & 255) << 8 | unsigned(number(7) & 255);
}

QString ColourString::levelsText() const {
  QString out;
  for (int i = 0; i < 5; ++i) out += fields[i] + u'|';
  return out;
}

int ColourString::number(int field) const {
  int value = 0;
  return patch::parseWholeNumber(fields[field].trimmed(), value) ? value : 0;
}

QString gelTablePath(const QString& programPath, bool lime) {
  const QString path = patch::changeFileExt(programPath, lime ? ".rgbal" : ".rgbaw");
  const QFileInfo info(path);
  return findFileNoCase(info.absolutePath(), info.fileName());
}

QString userGelFilePath(const QString& programFolder, const QString& userName) {
  return findFileNoCase(programFolder, userName + ".gels");
}

bool acceptGelKey(QChar key, const QString& userLetter) {
  if (QStringLiteral("rR0123456789").contains(key)) return true;
  return !userLetter.isEmpty() && key.toUpper() == userLetter[0].toUpper();
}

GelLookup lookupGel(const QString& code, const QString& gelTable, const QString& userGelFile,
                    const QString& typeId) {
  GelLookup result;
  const QString trimmed = code.trimmed();
  if (trimmed.size() < 2) return result;
  result.looked = true;
  QString value;
  if (trimmed.startsWith(u'R')) {
    const IniFile table(gelTable);
    value = table.readString("Values", trimmed, kMissingColour);
  } else {
    const IniFile gels(userGelFile);
    value = gels.readString(trimmed, typeId, kMissingColour);
  }
  result.colour = ColourString::parse(value);
  return result;
}

GelFields gelFields(const ColourString& c, bool threeColour, bool amberEnabled, bool whiteEnabled) {
  GelFields f;
  if (threeColour) {
    f.red = c.fields[5];
    f.green = c.fields[6];
    f.blue = c.fields[7];
    f.setAmber = f.setWhite = true;
    f.amber = f.white = "0";
  } else {
    f.red = c.fields[0];
    f.green = c.fields[1];
    f.blue = c.fields[2];
    f.setAmber = amberEnabled;
    f.setWhite = whiteEnabled;
    f.amber = c.fields[3];
    f.white = c.fields[4];
  }
  return f;
}

namespace {

QString userGelFile(const QString& folder, const QString& userName) {
  return gelfiles::path(folder, userName + ".gels");
}

bool saveWithBom(IniFile& ini) {
  ini.setWriteBom(true);
  return ini.save();
}

GelMessage fileError(const IniFile& ini) {
  return {"File Error", "The file " + ini.path() + " could not be written.\n" + ini.errorString(), true};
}

// The number after the designer's letter in a palette key ("A12" -> 12), or nothing.
std::optional<int> paletteNumber(const QString& key, const QString& letter) {
  if (letter.isEmpty() || key.size() < 2 || key[0].toUpper() != letter[0].toUpper()) return {};
  int n = 0;
  if (!patch::parseWholeNumber(QStringView(key).mid(1), n) || n < 0) return {};
  return n;
}

}  // namespace

QString gelfiles::path(const QString& folder, const QString& name) { return findFileNoCase(folder, name); }

QString gelCodeValue(const QString& folder, const QString& code, const QString& userName,
                     const QString& typeId, bool lime) {
  if (code.startsWith(u'R'))
    return IniFile(gelfiles::path(folder, lime ? gelfiles::kLimeTable : gelfiles::kWhiteTable))
        .readString("Values", code, QString());
  const QString value = IniFile(userGelFile(folder, userName)).readString(code, typeId, QString());
  if (!value.isEmpty()) return value;
  return IniFile(gelfiles::path(folder, gelfiles::kUserPalettes)).readString(userName, code, QString());
}

QString PieList::keyOf(unsigned rgb) const {
  for (size_t i = 0; i < colours.size(); ++i)
    if (colours[i] == (rgb & 0xffffffu)) return keys[qsizetype(i)];
  return QString();
}

static PieList pieOf(const IniFile& ini, const QString& section) {
  PieList pie;
  for (const QString& key : ini.keys(section)) {
    pie.keys << key;
    pie.colours.push_back(ColourString::parse(ini.readString(section, key, QString())).displayRgb());
  }
  return pie;
}

PieList gelPieList(const QString& gelTable) { return pieOf(IniFile(gelTable), "Values"); }

std::optional<PieList> designerPieList(const QString& folder, const QString& userName) {
  if (userName.isEmpty()) return {};
  PieList pie = pieOf(IniFile(gelfiles::path(folder, gelfiles::kUserPalettes)), userName);
  if (pie.keys.isEmpty()) return {};
  return pie;
}

QString designerColour(const QString& folder, const QString& userName, const QString& code,
                       const QString& typeId) {
  IniFile gels(userGelFile(folder, userName));
  const QString tuned = gels.readString(code, typeId, kMissingColour);
  if (tuned != kMissingColour) return tuned;
  const IniFile palette(gelfiles::path(folder, gelfiles::kUserPalettes));
  const QString value = palette.readString(userName, code, kMissingColour);
  if (!typeId.isEmpty() && !code.isEmpty()) {
    gels.writeString(code, typeId, value);
    saveWithBom(gels);  // only a cache of the palette entry: reading goes on when it fails
  }
  return value;
}

QString colourToSave(ColourSave& s) {
  const QString swatch =
      QStringList{QString::number(s.swatchRed), QString::number(s.swatchGreen), QString::number(s.swatchBlue)}
          .join(u'|');
  if (s.threeColour) {
    if (s.lastGelLevels.isEmpty())
      s.lastGelLevels = QString::number(s.swatchRed) + "|" + QString::number(s.swatchGreen) + "|" +
                        QString::number(s.swatchBlue) + "|0|0|";
    return s.lastGelLevels + swatch;
  }
  return QStringList{s.red, s.green, s.blue, s.amber, s.white, swatch}.join(u'|');
}

ColourSaveResult completeSave(const QString& folder, const QString& userName, const QString& userLetter,
                              ColourSave& s) {
  ColourSaveResult result;
  const QString value = colourToSave(s);
  IniFile palette(gelfiles::path(folder, gelfiles::kUserPalettes));
  IniFile gels(userGelFile(folder, userName));
  bool paletteChanged = false, gelsChanged = false;

  if (s.addToPalette) {
    int highest = -1;
    for (const QString& key : palette.keys(userName)) {
      const ColourString entry = ColourString::parse(palette.readString(userName, key, QString()));
      if (entry.number(5) == s.swatchRed && entry.number(6) == s.swatchGreen &&
          entry.number(7) == s.swatchBlue) {
        result.message = GelMessage{
            "Duplicate palette",
            "This color set is a duplicate with " + key + ".\n\r" + " It will not be added.", true};
        return result;
      }
      if (const auto n = paletteNumber(key, userLetter)) highest = std::max(highest, *n);
    }
    if (highest < 0) {
      result.message =
          GelMessage{"Palette problem", "The palette of " + userName + " holds no numbered color.", true};
      return result;
    }
    result.newKey = userLetter.left(1).toUpper() + QString::number(highest + 1);
    palette.writeString(userName, result.newKey, value);
    paletteChanged = true;
  }
  if (s.changeForFixture && !s.typeId.isEmpty()) {
    gels.writeString(s.gelCode, s.typeId, value);
    gelsChanged = true;
  }
  if (s.changeForAll) {
    for (const QString& id : s.allTypeIds) {
      if (id.isEmpty()) continue;
      gels.writeString(s.gelCode, id, value);
      gelsChanged = true;
    }
  }
  if (s.changeOnPalette) {
    palette.writeString(userName, s.gelCode, value);
    paletteChanged = true;
  }
  if (paletteChanged && !saveWithBom(palette)) {
    result.message = fileError(palette);
    return result;
  }
  if (gelsChanged && !saveWithBom(gels)) {
    result.message = fileError(gels);
    return result;
  }
  result.saved = true;
  return result;
}

bool deleteDesignerColour(const QString& folder, const QString& userName, const QString& key) {
  if (key.isEmpty()) return true;
  IniFile gels(userGelFile(folder, userName));
  bool ok = true;
  if (gels.sectionExists(key)) {
    gels.eraseSection(key);
    ok = saveWithBom(gels);
  }
  IniFile palette(gelfiles::path(folder, gelfiles::kUserPalettes));
  if (palette.valueExists(userName, key)) {
    palette.deleteKey(userName, key);
    ok = saveWithBom(palette) && ok;
  }
  return ok;
}

int DesignerList::indexOf(const QString& name) const {
  for (qsizetype i = names.size() - 1; i >= 0; --i)
    if (names[i].compare(name, Qt::CaseInsensitive) == 0) return int(i);
  return -1;
}

DesignerList loadUsers(const QString& folder) {
  DesignerList list;
  const IniFile palette(gelfiles::path(folder, gelfiles::kUserPalettes));
  for (const QString& name : palette.keys("Users")) {
    list.names << name;
    list.letters << palette.readString("Users", name, QString());
  }
  return list;
}

static bool nameRefused(const QString& name) {
  for (const char* bad : {"/", "\\", "=", "[", "]"})
    if (name.contains(QLatin1String(bad))) return true;
  const QString file = name + ".gels";
  return name.compare("Users", Qt::CaseInsensitive) == 0 ||
         file.compare(gelfiles::kPaletteColourTable, Qt::CaseInsensitive) == 0 ||
         file.compare(gelfiles::kNewUser, Qt::CaseInsensitive) == 0;
}

std::optional<GelMessage> saveUser(const QString& folder, const QString& nameText,
                                   const QString& letterText) {
  const QString name = nameText.trimmed();
  const GelMessage missing{"Missing Name", "Click \"Save\" after entering a new name and letter.", false};
  if (name.isEmpty() || letterText.trimmed().isEmpty()) return missing;
  if (nameRefused(name))
    return GelMessage{"Invalid Name",
                      "A name cannot hold / \\ = [ ] nor be Users or the name of a file of the "
                      "program.",
                      true};
  const QString letter = letterText.trimmed().left(1).toUpper();
  const DesignerList list = loadUsers(folder);
  if (list.indexOf(name) >= 0)
    return GelMessage{"Duplicate Name", "Someone is already listed with that name.", true};
  if (letter == "R") return GelMessage{"Reserved Letter", "R is reserved for Rosco gel numbers.", true};
  for (qsizetype i = 0; i < list.letters.size(); ++i)
    if (list.letters[i].trimmed().left(1).toUpper() == letter)
      return GelMessage{"Duplicate Letter", list.names[i] + " is already using that letter.", true};

  QFile starter(gelfiles::path(folder, gelfiles::kNewUser));
  if (!starter.open(QIODevice::ReadOnly))
    return GelMessage{"File Error", "The file " + starter.fileName() + " could not be read.", true};
  QStringList lines = QString::fromUtf8(starter.read(64 * 1024)).split(u'\n');
  if (!lines.isEmpty() && lines[0].startsWith(QChar(0xFEFF))) lines[0].remove(0, 1);

  IniFile palette(gelfiles::path(folder, gelfiles::kUserPalettes));
  palette.writeString(palette.sectionExists("Users") ? "Users" : "users", name, letter);
  for (int i = 0; i < 16; ++i) {
    const QString line = i < lines.size() ? lines[i].trimmed() : QString();
    palette.writeString(name, letter + QString::number(i), line);
  }
  if (!saveWithBom(palette)) return fileError(palette);
  return {};
}
