#include "console/patch/gel_lookup.h"

#include <QFileInfo>

#include "console/patch/patch_context.h"
#include "console/patch/patch_tables.h"
#include "platform/ini_file.h"
#include "platform/program_folder.h"

ColourString ColourString::parse(const QString& text) {
  ColourString c;
  const QStringList parts = text.split(u'|');
  for (int i = 0; i < 8 && i < parts.size(); ++i) c.fields[i] = parts[i];
  return c;
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
