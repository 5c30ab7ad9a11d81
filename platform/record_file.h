#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

// A file of fixed-size records, as the console's show files are laid out: record i starts at byte
// i * recordSize. Counts, reads and writes work in whole records; a trailing partial record is
// ignored by count() and never read.
class RecordFile {
 public:
  explicit RecordFile(int recordSize);
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  int recordSize() const { return recordSize_; }

  // Opens an existing file for reading and writing (falls back to read-only when it cannot be written).
  bool open(const QString& path);
  // Creates the file, or empties an existing one, and opens it for reading and writing.
  bool create(const QString& path);
  void close();
  bool isOpen() const { return file_.isOpen(); }
  bool isWritable() const { return file_.isOpen() && file_.isWritable(); }
  QString path() const { return file_.fileName(); }
  QString errorString() const { return writeError_.isEmpty() ? file_.errorString() : writeError_; }

  qint64 count() const;
  // Reads record `index` (0-based); false when it does not exist whole.
  bool read(qint64 index, QByteArray& record);
  // Writes record `index`; index == count() appends. The record must be exactly recordSize bytes.
  // False when it did not reach the file whole; an append that failed leaves the file as it was.
  bool write(qint64 index, const QByteArray& record);
  // Keeps the first `records` records and drops the rest.
  bool truncate(qint64 records);
  bool flush();

 private:
  int recordSize_;
  QFile file_;
  QString writeError_;  // why the last record write failed
};

// Little-endian field access inside a record buffer.
namespace le {
inline uint16_t u16(const QByteArray& b, int at) {
  return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8));
}
inline int16_t i16(const QByteArray& b, int at) { return int16_t(u16(b, at)); }
inline uint32_t u32(const QByteArray& b, int at) {
  return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8) |
         (uint32_t(uint8_t(b[at + 2])) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
}
inline int32_t i32(const QByteArray& b, int at) { return int32_t(u32(b, at)); }
inline void put16(QByteArray& b, int at, uint16_t v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char(v >> 8);
}
inline void put32(QByteArray& b, int at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}
}  // namespace le

// Windows-1252, the code page the show files were written in.
QByteArray toWindows1252(const QString& text);
QString fromWindows1252(QByteArrayView bytes);

// Short strings: one length byte followed by `capacity` character bytes. Decoding clamps a length
// byte larger than the capacity. Encoding truncates to the capacity and writes only the length byte
// and the characters it uses, so the unused bytes of an existing record are kept as they were.
QString readShortString(const QByteArray& record, int at, int capacity);
void writeShortString(QByteArray& record, int at, int capacity, const QString& text);
