#include "console/patch/patch_context.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "platform/atomic_file.h"
#include "platform/file_limits.h"
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
  // The files copied here are patch, map, scene and group files: none comes near the largest limit.
  if (const qint64 size = sizeOverLimit(source, file_limit::kSceneFile))
    return PatchFileResult::fileError(fileTooLargeText(source, size));
  QString error;
  if (!copyFileAtomically(source, destination, &error)) return PatchFileResult::fileError(error);
  return PatchFileResult::success();
}

PatchFileResult writeWholeFile(const QString& path, const QByteArray& bytes, const QString& tempName) {
  const QFileInfo target(path);
  const QDir folder = target.absoluteDir();
  if (!folder.exists()) return PatchFileResult::fileError(fileNotFound(path));
  QString error;
  if (!writeFileAtomically(path, bytes, &error, tempName.isEmpty() ? QString() : folder.filePath(tempName)))
    return PatchFileResult::fileError(error);
  return PatchFileResult::success();
}

void waitPumped(const PatchContext& ctx, int ms) {
  if (ctx.waitPumped)
    ctx.waitPumped(ms);
  else
    pumpEvents(ctx);
}

Operator& operatorOf(const PatchContext& ctx) {
  if (!ctx.operatorToAsk) throw std::logic_error("a soft patch context without an operator to ask");
  return *ctx.operatorToAsk;
}

void pumpEvents(const PatchContext& ctx) {
  if (ctx.pumpEvents)
    ctx.pumpEvents();
  else
    ::pumpEvents();
}
}  // namespace patch
