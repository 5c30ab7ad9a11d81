#include "console/engine/submaster_file.h"

#include <QFileInfo>

#include "platform/atomic_file.h"
#include "platform/ini_file.h"

namespace {
bool loadExisting(IniFile& ini, const QString& path, QString* error) {
  if (!QFileInfo::exists(path)) return true;
  if (ini.load(path)) return true;
  if (error) *error = ini.errorString();
  return false;
}

bool saveIni(const IniFile& ini, const QString& path, QString* error) {
  QByteArray data = ini.text().toUtf8();
  if (ini.writeBom()) data.prepend("\xEF\xBB\xBF");
  return writeFileAtomically(path, data, error);
}
}  // namespace

bool saveSubmasterLevels(const QString& path, int strip, const QString& levels, QString* error) {
  IniFile ini;
  if (!loadExisting(ini, path, error)) return false;
  ini.writeString("SubmasterLevels", "Sublevels" + QString::number(strip), levels);
  return saveIni(ini, path, error);
}

bool saveSubmasterStrip(const QString& path, int strip, const SubmasterStripFields& fields, bool freed,
                        QString* error) {
  IniFile ini;
  if (!loadExisting(ini, path, error)) return false;
  const QString n = QString::number(strip);
  ini.writeString("Submasters", "subtitle" + n, freed ? QString("Unused") : fields.title);
  ini.writeString("Submasters", "subcue" + n, freed ? QString() : fields.hint.trimmed());
  ini.writeBool("Submasters", "additive" + n, freed ? true : fields.additive);
  ini.writeString("Submasters", "Subfile" + n, freed ? QString() : fields.loopFile.trimmed());
  if (freed) ini.writeString("SubmasterLevels", "Sublevels" + n, QString());
  return saveIni(ini, path, error);
}

QString submasterLoopFile(const QString& path, int strip) {
  if (!QFileInfo::exists(path)) return QString();
  IniFile ini(path);
  return ini.readString("Submasters", "Subfile" + QString::number(strip), QString());
}
