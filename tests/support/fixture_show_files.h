#pragma once

// Fixture files a test writes: the show's fixture map from its four tables, and files in the
// program folder (gel files, the fixture types' channel tables in "lcsv") that the test owns and
// removes when it ends.

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include "console/patch/fixture_map.h"
#include "platform/program_folder.h"

// Writes the four records of a fixture map file; false when the file cannot be written whole.
inline bool writeFixtureMapFile(const QString& path, const FixtureMap::Table& starts,
                                const FixtureMap::Table& warmUp, const FixtureMap::Table& types,
                                const FixtureMap::Table& roles) {
  QFile file(path);
  const QByteArray bytes =
      encodeMapRecord(starts) + encodeMapRecord(warmUp) + encodeMapRecord(types) + encodeMapRecord(roles);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Files of the program folder that live as long as the test. Makes the "lcsv" folder when it is
// missing and removes it again at the end (with the files named).
class ProgramFolderFiles {
 public:
  ProgramFolderFiles() : folder_(programFolder()), madeLcsv_(!QDir(folder_).exists("lcsv")) {
    QDir(folder_).mkpath("lcsv");
  }
  ~ProgramFolderFiles() {
    for (const QString& file : owned_) QFile::remove(file);
    if (madeLcsv_) QDir().rmdir(folder_ + "/lcsv");
  }
  ProgramFolderFiles(const ProgramFolderFiles&) = delete;
  ProgramFolderFiles& operator=(const ProgramFolderFiles&) = delete;

  // The path of `name` in the program folder (e.g. "lcsv/zzType.lcsv"), removed at the end.
  QString own(const QString& name) {
    owned_ << folder_ + "/" + name;
    return owned_.last();
  }

 private:
  QString folder_;
  bool madeLcsv_;
  QStringList owned_;
};
