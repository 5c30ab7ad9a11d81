#include "platform/record_file.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

RecordFile::RecordFile(int recordSize) : recordSize_(recordSize) {}

RecordFile::~RecordFile() { close(); }

bool RecordFile::open(const QString& path) {
  close();
  file_.setFileName(path);
  if (!file_.exists()) return false;
  // Unbuffered: a record either reaches the file when written or the write reports failure.
  if (file_.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) return true;
  return file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool RecordFile::create(const QString& path) {
  close();
  file_.setFileName(path);
  return file_.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered);
}

void RecordFile::close() {
  if (file_.isOpen()) file_.close();
}

qint64 RecordFile::count() const { return file_.isOpen() ? file_.size() / recordSize_ : 0; }

bool RecordFile::read(qint64 index, QByteArray& record) {
  if (!file_.isOpen() || index < 0 || index >= count()) return false;
  if (!file_.seek(index * recordSize_)) return false;
  record = file_.read(recordSize_);
  return record.size() == recordSize_;
}

bool RecordFile::write(qint64 index, const QByteArray& record) {
  if (!isWritable() || record.size() != recordSize_ || index < 0 || index > count()) return false;
  writeError_.clear();
  const qint64 before = file_.size();
  const int fd = file_.handle();
  qint64 done = 0;
  while (done < recordSize_) {
    const ssize_t n = ::pwrite(fd, record.constData() + done, size_t(recordSize_ - done),
                               off_t(index * recordSize_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      writeError_ = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : ENOSPC));
      break;
    }
    done += n;
  }
  if (done == recordSize_) return true;
  // A record that went in only in part (a full disk) is taken back, so the file keeps whole records.
  if (before % recordSize_ == 0) (void)::ftruncate(fd, std::max<qint64>(before, 0));
  if (before > index * recordSize_) writeError_ += " (the record may be damaged)";
  return false;
}

bool RecordFile::truncate(qint64 records) {
  if (!isWritable() || records < 0) return false;
  return file_.resize(records * recordSize_);
}

bool RecordFile::flush() { return file_.isOpen() && file_.flush(); }

namespace {
// 0x80..0x9F of Windows-1252; 0 marks the five undefined positions, which map to U+FFFD.
constexpr std::array<char16_t, 32> kHigh = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

QByteArray toWindows1252(const QString& text) {
  QByteArray out;
  out.reserve(text.size());
  for (QChar qc : text) {
    const char16_t c = qc.unicode();
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.append(char(c));
      continue;
    }
    char mapped = '?';
    for (int i = 0; i < int(kHigh.size()); ++i)
      if (kHigh[i] != 0 && kHigh[i] == c) mapped = char(0x80 + i);
    out.append(mapped);
  }
  return out;
}

QString fromWindows1252(QByteArrayView bytes) {
  QString out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto b = uint8_t(ch);
    if (b >= 0x80 && b <= 0x9F)
      out.append(QChar(kHigh[b - 0x80] ? kHigh[b - 0x80] : char16_t(0xFFFD)));
    else
      out.append(QChar(char16_t(b)));
  }
  return out;
}

QString readShortString(const QByteArray& record, int at, int capacity) {
  const int len = qMin(int(uint8_t(record[at])), capacity);
  return fromWindows1252(record.mid(at + 1, len));
}

void writeShortString(QByteArray& record, int at, int capacity, const QString& text) {
  const QByteArray bytes = toWindows1252(text).left(capacity);
  record[at] = char(bytes.size());
  for (int i = 0; i < bytes.size(); ++i) record[at + 1 + i] = bytes[i];
}
