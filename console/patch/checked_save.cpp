#include "console/patch/checked_save.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace patch {
namespace {

PatchFileResult failed(QFile& temp, const QString& path, const QString& why) {
  temp.close();
  temp.remove();
  return PatchFileResult::fileError(path + ": " + why);
}

}  // namespace

PatchFileResult saveFileChecked(const QString& path, const QByteArray& bytes, const QString& tempName) {
  const QFileInfo target(path);
  const QDir folder = target.absoluteDir();
  if (!folder.exists()) return PatchFileResult::fileError(fileNotFound(path));

  // A plain file (not a private temporary one) so that the saved file gets the folder's usual
  // permissions.
  QFile named(folder.filePath(tempName.isEmpty() ? target.fileName() + ".tmp" : tempName));
  QFile* temp = &named;
  if (named.exists() && !named.remove())
    return PatchFileResult::fileError(named.fileName() + ": " + named.errorString());
  if (!named.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return PatchFileResult::fileError(named.fileName() + ": " + named.errorString());
  if (temp->write(bytes) != bytes.size()) return failed(*temp, path, temp->errorString());
  if (!temp->flush()) return failed(*temp, path, temp->errorString());
  if (::fsync(temp->handle()) != 0) return failed(*temp, path, "the data could not be written to the disk");
  if (QFileInfo(temp->fileName()).size() != bytes.size())
    return failed(*temp, path, "the file was not written whole");
  const QString tempPath = temp->fileName();
  temp->close();
  if (std::rename(QFile::encodeName(tempPath).constData(),
                  QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
    QFile::remove(tempPath);
    return PatchFileResult::fileError(path + ": the file could not be replaced");
  }
  return PatchFileResult::success();
}

}  // namespace patch
