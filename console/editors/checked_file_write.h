#pragma once

// Writing a file so that a failure never leaves a damaged file in its place: the bytes go to a
// temporary file in the target's folder, every write, the flush and the size on disk are checked,
// and only then is the temporary file renamed over the target (one atomic step).

#include <QByteArray>
#include <QString>

// Writes `bytes` to `path` (created or emptied), checking every write, the flush and the size.
// On failure the partial file is removed and `error` (when given) says why.
bool writeFileChecked(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Renames `from` over `to` in one step (the old `to` is never deleted first).
bool renameOver(const QString& from, const QString& to, QString* error = nullptr);

// The whole file replaced in one step (the platform's atomic save).
bool saveFileChecked(const QString& path, const QByteArray& bytes, QString* error = nullptr);
