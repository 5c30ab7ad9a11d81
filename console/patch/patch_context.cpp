#include "console/patch/patch_context.h"

#include <QFile>
#include <QFileInfo>

#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/pumped_wait.h"

namespace patch {
QString changeFileExt(const QString& path, const QString& ext) {
  const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
  const qsizetype dot = path.lastIndexOf(u'.');
  if (dot > slash) return path.left(dot) + ext;
  return path + ext;
}

QString fileNotFound(const QString& path) { return QStringLiteral("File not found: ") + path; }

PatchFileResult copyOver(const QString& source, const QString& destination) {
  const QFileInfo from(source);
  if (!from.exists()) return PatchFileResult::fileError(fileNotFound(source));
  const QFileInfo to(destination);
  if (to.exists() && from.canonicalFilePath() == to.canonicalFilePath()) return PatchFileResult::success();
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) return PatchFileResult::fileError(source + ": " + in.errorString());
  return writeWholeFile(destination, in.readAll());
}

PatchFileResult writeWholeFile(const QString& path, const QByteArray& bytes) {
  QString error;
  if (!writeFileAtomically(path, bytes, &error)) return PatchFileResult::fileError(error);
  return PatchFileResult::success();
}

void waitPumped(const PatchContext& ctx, int ms) {
  if (ctx.waitPumped)
    ctx.waitPumped(ms);
  else
    systemClock().waitPumped(ms);
}

void pumpEvents(const PatchContext& ctx) {
  if (ctx.pumpEvents)
    ctx.pumpEvents();
  else
    ::pumpEvents();
}
}  // namespace patch
