#include "platform/file_limits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

qint64 sizeOverLimit(const QString& path, qint64 limit) {
  const QFileInfo info(path);
  if (!info.isFile()) return 0;
  const qint64 size = info.size();
  return size > limit ? size : 0;
}

qint64 readAllWithin(QFile& file, qint64 limit, QByteArray& out) {
  out.clear();
  const qint64 size = file.size();
  if (size > limit) return size;
  out.reserve(qsizetype(size));
  char block[64 * 1024];
  for (;;) {
    const qint64 n = file.read(block, qint64(sizeof block));
    if (n < 0) {
      out.clear();
      return -1;
    }
    if (n == 0) break;
    if (out.size() + n > limit) {
      const qint64 found = out.size() + n;
      out.clear();
      return found;
    }
    out.append(block, qsizetype(n));
  }
  return qMax(size, qint64(out.size()));
}

QString fileSizeText(qint64 bytes) {
  if (bytes < 1024) return QString::number(bytes) + (bytes == 1 ? " byte" : " bytes");
  static const char* const units[] = {"KB", "MB", "GB", "TB"};
  double value = double(bytes) / 1024.0;
  int unit = 0;
  while (value >= 1024.0 && unit < 3) {
    value /= 1024.0;
    ++unit;
  }
  return QString::number(value, 'f', 1) + ' ' + units[unit];
}

QString fileTooLargeTitle() { return QStringLiteral("File too large"); }

QString fileTooLargeText(const QString& path, qint64 size) {
  return "The file \"" + QDir::toNativeSeparators(path) + "\" is " + fileSizeText(size) +
         ", far larger than such a file can be, so it was not read. It is left as it is; the console "
         "carries on without it.";
}
