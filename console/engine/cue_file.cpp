#include "console/engine/cue_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

bool CueFile::open(const QString& path) {
  path_ = path;
  return file_.open(path);
}

bool CueFile::reopen() { return !path_.isEmpty() && file_.open(path_); }

void CueFile::close() { file_.close(); }

CueRecord CueFile::readRecord(qint64 index) {
  QByteArray bytes;
  if (!file_.read(index, bytes))
    throw CueFileError("Read error on cue file \"" + path_ + "\" at record " + QString::number(index) + ". " +
                       file_.errorString());
  return CueRecord::decode(bytes);
}

void CueFile::writeRecord(qint64 index, const CueRecord& record) {
  if (!file_.write(index, record.encode()) || !file_.flush())
    throw CueFileError("Write error on cue file \"" + path_ + "\" at record " + QString::number(index) +
                       ". " + file_.errorString());
}

QString changeFileExt(const QString& path, const QString& extension) {
  const int slash = qMax(path.lastIndexOf('/'), path.lastIndexOf('\\'));
  const int dot = path.lastIndexOf('.');
  return (dot > slash ? path.left(dot) : path) + extension;
}

bool isOldCueFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  const qint64 size = f.size();
  if (size < kOldCueRecordSize || size % kOldCueRecordSize != 0) return false;
  if (!f.seek(cue_offset::FormatMark)) return false;
  const QByteArray mark = f.read(1);
  return mark.size() == 1 && mark[0] == '\0';
}

void ConvertFile(CueFile& cueFile, const QString& path) {
  cueFile.close();
  const QString temp = QFileInfo(path).absoluteDir().filePath("qq3q.lcue");
  {
    RecordFile old(kOldCueRecordSize);
    if (!old.open(path))
      throw CueFileError("Cannot open the old cue file \"" + path + "\". " + old.errorString());
    RecordFile converted(kCueRecordSize);
    if (!converted.create(temp))
      throw CueFileError("Cannot create \"" + temp + "\". " + converted.errorString());
    const qint64 n = old.count();
    QByteArray bytes;
    for (qint64 i = 0; i < n; ++i) {
      if (!old.read(i, bytes) ||
          !converted.write(i, convertOldCueRecord(OldCueRecord::decode(bytes)).encode())) {
        const QString error = old.errorString() + " " + converted.errorString();
        converted.close();
        QFile::remove(temp);
        throw CueFileError("Cannot convert the cue file \"" + path + "\". " + error);
      }
    }
    if (!converted.flush()) {
      converted.close();
      QFile::remove(temp);
      throw CueFileError("Cannot write \"" + temp + "\".");
    }
  }
  // rename() replaces the old file in one step.
  std::error_code ec;
  std::filesystem::rename(QFile::encodeName(temp).toStdString(), QFile::encodeName(path).toStdString(), ec);
  if (ec) {
    QFile::remove(temp);
    throw CueFileError("Cannot replace \"" + path + "\" by the converted file. " +
                       QString::fromStdString(ec.message()));
  }
}
