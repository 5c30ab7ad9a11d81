#pragma once

// The largest file of each kind the console reads. Every limit lies far above any real show (a show
// of 20,000 cues has a cue file of about 25 MB; settings, submaster, group and magic sheet files are
// a few kilobytes), so only a damaged or foreign file reaches one. A file over its limit is refused by
// its size on disk before any of it is read: it is reported, left exactly as it is, and the console
// carries on as if it were not there.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QFile;

namespace file_limit {
inline constexpr qint64 kMiB = 1024 * 1024;
// Cue files, loop cue files and their backups: about 54,000 cues.
inline constexpr qint64 kCueFile = 64 * kMiB;
// INI-shaped files: settings, submaster, group, magic sheet, loop list, palettes and gel tables.
inline constexpr qint64 kIniFile = 4 * kMiB;
// Soft patch files: 1025 lines.
inline constexpr qint64 kPatchFile = 4 * kMiB;
// Scene files: about 15,000 scenes.
inline constexpr qint64 kSceneFile = 16 * kMiB;
}  // namespace file_limit

// The size of the file at `path` when it is larger than `limit`; 0 when it is within the limit or
// cannot be found.
qint64 sizeOverLimit(const QString& path, qint64 limit);

// Reads the whole of an open file when it holds at most `limit` bytes, never holding more than that
// (also for a file whose size the system cannot tell in advance). Returns the size found: above
// `limit` the file is refused and `out` is empty. -1 when reading failed (QFile::errorString()).
qint64 readAllWithin(QFile& file, qint64 limit, QByteArray& out);

// A size as an operator reads it: "800 bytes", "12.5 KB", "3.0 GB".
QString fileSizeText(qint64 bytes);

// The title and text of the message for a refused file.
QString fileTooLargeTitle();
QString fileTooLargeText(const QString& path, qint64 size);
