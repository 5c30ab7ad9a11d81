#include "console/engine/whole_file_write.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>
#include <filesystem>
#include <system_error>

bool writeWholeFileSafely(const QString& path, const QByteArray& bytes, QString* error) {
  auto fail = [&](const QString& why) {
    if (error) *error = path + ": " + why;
    return false;
  };
  const QFileInfo target(path);
  QTemporaryFile temp(target.absolutePath() + "/." + target.fileName() + ".XXXXXX");
  temp.setAutoRemove(true);
  if (!temp.open()) return fail(temp.errorString());
  // A temporary file is private to its owner; the show file keeps the permissions it had.
  temp.setPermissions(target.exists()
                          ? target.permissions()
                          : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  qint64 done = 0;
  while (done < bytes.size()) {
    const qint64 n = temp.write(bytes.constData() + done, bytes.size() - done);
    if (n <= 0) return fail(temp.errorString());
    done += n;
  }
  if (!temp.flush()) return fail(temp.errorString());
  // The data must be on the disk, not only in the page cache, before the old file goes.
  if (::fsync(temp.handle()) != 0) return fail("cannot flush to the disk");
  if (temp.size() != bytes.size() || QFileInfo(temp.fileName()).size() != bytes.size())
    return fail("the written size does not match");
  const QString tempName = temp.fileName();
  temp.close();
  std::error_code ec;
  std::filesystem::rename(QFile::encodeName(tempName).toStdString(), QFile::encodeName(path).toStdString(),
                          ec);
  if (ec) return fail(QString::fromStdString(ec.message()));
  temp.setAutoRemove(false);
  return true;
}

bool copyFileSafely(const QString& source, const QString& destination, QString* error) {
  const QFileInfo from(source), to(destination);
  if (to.exists() && from.exists() && from.canonicalFilePath() == to.canonicalFilePath()) return true;
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) {
    if (error) *error = source + ": " + in.errorString();
    return false;
  }
  const QByteArray bytes = in.readAll();
  if (in.error() != QFile::NoError) {
    if (error) *error = source + ": " + in.errorString();
    return false;
  }
  return writeWholeFileSafely(destination, bytes, error);
}
