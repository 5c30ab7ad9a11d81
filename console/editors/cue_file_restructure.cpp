#include "console/editors/cue_file_restructure.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "platform/atomic_file.h"

namespace {

bool loopsBack(const QByteArray& record) { return le::i32(record, cue_offset::LoopTarget) != 0; }

bool anyLoopsBack(const std::vector<QByteArray>& records, qint64 from) {
  for (qint64 i = std::max<qint64>(from, 0); i < qint64(records.size()); ++i)
    if (loopsBack(records[size_t(i)])) return true;
  return false;
}

}  // namespace

QString cueRestructureTempName(const QString& cueFileName) {
  return AtomicFileWriter::tempPathFor(cueFileName);
}

std::vector<QByteArray> readAllCueRecords(CueFile& file) {
  if (!file.isOpen()) throw CueFileError("The cue file \"" + file.path() + "\" is not open.");
  const qint64 n = file.count();
  std::vector<QByteArray> records;
  records.reserve(size_t(n));
  QByteArray bytes;
  for (qint64 i = 0; i < n; ++i) {
    if (!file.records().read(i, bytes))
      throw CueFileError("Read error on cue file \"" + file.path() + "\" at record " + QString::number(i) +
                         ". " + file.records().errorString());
    records.push_back(bytes);
  }
  return records;
}

void rewriteCueFile(CueFile& file, const std::vector<QByteArray>& records) {
  const QString path = file.path();
  if (!file.isOpen() || !file.records().isWritable())
    throw CueFileError("The cue file \"" + path + "\" cannot be written.");
  for (const QByteArray& r : records)
    if (r.size() != kCueRecordSize) throw CueFileError("A cue record must be 1240 bytes.");

  AtomicFileWriter out(path);
  bool ok = out.open();
  for (const QByteArray& r : records) ok = ok && out.write(r);
  file.close();
  // The rename replaces the cue file in one step: either the old or the new content is there.
  ok = ok && out.commit();
  if (!ok) {
    file.reopen();
    throw CueFileError(out.errorString());
  }
  if (!file.reopen()) throw CueFileError("Cannot open the cue file \"" + path + "\" again.");
}

CueRestructureResult insertCueRecords(CueFile& file, qint64 index, const std::vector<CueRecord>& records) {
  std::vector<QByteArray> all = readAllCueRecords(file);
  index = std::clamp<qint64>(index, 0, qint64(all.size()));
  CueRestructureResult result;
  result.loopCueMoved = !records.empty() && anyLoopsBack(all, index);
  std::vector<QByteArray> inserted;
  inserted.reserve(records.size());
  for (const CueRecord& r : records) inserted.push_back(r.encode());
  all.insert(all.begin() + index, inserted.begin(), inserted.end());
  rewriteCueFile(file, all);
  return result;
}

CueRestructureResult deleteCueRecords(CueFile& file, qint64 first, qint64 count) {
  std::vector<QByteArray> all = readAllCueRecords(file);
  const qint64 n = qint64(all.size());
  first = std::clamp<qint64>(first, 0, n);
  const qint64 last = std::clamp<qint64>(first + std::max<qint64>(count, 0), first, n);
  CueRestructureResult result;
  if (last == first) return result;
  result.loopCueMoved = anyLoopsBack(all, last);
  all.erase(all.begin() + first, all.begin() + last);
  rewriteCueFile(file, all);
  return result;
}

void swapCueRecords(CueFile& file, qint64 a, qint64 b) {
  std::vector<QByteArray> all = readAllCueRecords(file);
  const qint64 n = qint64(all.size());
  if (a == b || a < 0 || b < 0 || a >= n || b >= n) return;
  std::swap(all[size_t(a)], all[size_t(b)]);
  rewriteCueFile(file, all);
}

void keepRowsInTables(CuePlaybackRows& rows, int rowCount) {
  for (int* row : {&rows.CurrentCue, &rows.LastSelectedRow, &rows.RunningCue})
    *row = rowCount <= 0 ? 0 : std::clamp(*row, 0, rowCount);
}
