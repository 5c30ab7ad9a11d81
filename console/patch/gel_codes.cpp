#include "console/patch/gel_codes.h"

#include "platform/ini_file.h"
#include "platform/program_folder.h"

GelCodeFiles GelCodeFiles::inFolder(const QString& programFolder, const QString& userName) {
  GelCodeFiles f;
  f.gelTable = findFileNoCase(programFolder, "VqLighting.rgbal");
  f.userGelFile = findFileNoCase(programFolder, userName + ".gels");
  f.userPalettes = findFileNoCase(programFolder, "Users.pal");
  f.userName = userName;
  return f;
}

QString gelCodeValue(const GelCodeFiles& files, const QString& code, int fixtureType) {
  if (code.isEmpty()) return {};
  if (code.startsWith(u'R')) return IniFile(files.gelTable).readString("Values", code, QString());
  QString value = IniFile(files.userGelFile).readString(code, QString::number(fixtureType), QString());
  if (value.isEmpty()) value = IniFile(files.userPalettes).readString(files.userName, code, QString());
  return value;
}
