#include "console/patch/checked_save.h"

#include <QDir>
#include <QFileInfo>

#include "platform/atomic_file.h"

namespace patch {

PatchFileResult saveFileChecked(const QString& path, const QByteArray& bytes, const QString& tempName) {
  const QFileInfo target(path);
  const QDir folder = target.absoluteDir();
  if (!folder.exists()) return PatchFileResult::fileError(fileNotFound(path));
  const QString temp = folder.filePath(tempName.isEmpty() ? target.fileName() + ".tmp" : tempName);
  QString error;
  if (!writeFileAtomically(target.absoluteFilePath(), bytes, &error, temp))
    return PatchFileResult::fileError(path + ": " + error);
  return PatchFileResult::success();
}

}  // namespace patch
