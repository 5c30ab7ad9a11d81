#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file `path` by `bytes` without ever leaving it half written: the bytes go to a
// temporary file in the same folder, every write, the flush and the final size are checked, and only
// then is the temporary file renamed over `path`. On failure `path` is untouched, the temporary file
// is removed and `error` (when given) says why.
bool writeWholeFileSafely(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Copies `source` over `destination` the same way. Copying a file onto itself keeps it as it is.
bool copyFileSafely(const QString& source, const QString& destination, QString* error = nullptr);
