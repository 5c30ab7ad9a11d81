#include "platform/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString programFolder() { return QCoreApplication::applicationDirPath(); }

QString programPath() { return QCoreApplication::applicationFilePath(); }

QString findFileNoCase(const QString& folder, const QString& name) {
  const QString exact = QDir(folder).filePath(name);
  if (QFileInfo::exists(exact)) return exact;
  // The name may carry a sub-folder ("lcsv/add.lcsv"): match each part in turn.
  const QStringList parts = QDir::fromNativeSeparators(name).split('/', Qt::SkipEmptyParts);
  QString current = folder;
  for (int i = 0; i < parts.size(); ++i) {
    const QStringList entries =
        QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QString match;
    for (const QString& e : entries)
      if (e.compare(parts[i], Qt::CaseInsensitive) == 0) {
        match = e;
        break;
      }
    if (match.isEmpty()) return exact;
    current = QDir(current).filePath(match);
  }
  return current;
}

QString writableFolder() {
  const QString folder = programFolder();
  if (QFileInfo(folder).isWritable()) return folder;
  const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(config);
  return config;
}

QString sideFilePath(const QString& name) {
  const QString inProgram = findFileNoCase(programFolder(), name);
  if (QFileInfo::exists(inProgram)) return inProgram;
  return findFileNoCase(writableFolder(), name);
}
