#pragma once

#include <QByteArray>
#include <QString>

#include "console/patch/patch_context.h"

namespace patch {
// Replaces the file at path with bytes: they go to a temporary file in the same folder (tempName
// when given, else the file's name with ".tmp"), every write, the flush and the size are checked, and only
// then is the temporary file renamed over the target. On failure the target is left as it was and the
// temporary file is removed.
PatchFileResult saveFileChecked(const QString& path, const QByteArray& bytes, const QString& tempName = {});
}  // namespace patch
