#include "console/editors/checked_file_write.h"

#include "platform/atomic_file.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
void setError(QString* error, const QString& text) {
  if (error) *error = text;
}
}  // namespace

bool writeFileChecked(const QString& path, const QByteArray& bytes, QString* error) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    setError(error, "Cannot create " + path + ": " + f.errorString());
    return false;
  }
  qint64 done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const qint64 n = f.write(bytes.constData() + done, bytes.size() - done);
    if (n <= 0)
      ok = false;
    else
      done += n;
  }
  ok = ok && f.flush();
  ok = ok && ::fsync(f.handle()) == 0;
  const QString why = f.errorString();
  f.close();
  ok = ok && f.error() == QFileDevice::NoError && QFileInfo(path).size() == bytes.size();
  if (!ok) {
    setError(error, "Cannot write " + path + ": " + why);
    QFile::remove(path);
  }
  return ok;
}

bool renameOver(const QString& from, const QString& to, QString* error) {
  if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
    setError(error,
             "Cannot rename " + from + " to " + to + ": " + QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  return true;
}

bool saveFileChecked(const QString& path, const QByteArray& bytes, QString* error) {
  return writeFileAtomically(path, bytes, error);
}
